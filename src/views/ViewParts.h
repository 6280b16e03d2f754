#pragma once

#include <QLineEdit>
#include <QString>
#include <QStringList>

#include <functional>

class QGroupBox;
class QLabel;
class QPushButton;
class QTableView;
class QTextEdit;
class QWidget;

namespace morvalen {

class ExamineeListModel;

// The examinee list every window shows: whole rows, one at a time, read only, no row
// markers. Enter, keypad Enter and Space on the current row open it as a double click does.
QTableView* MakeExamineeList(QWidget* parent);

// Calls changed with the list's current row (-1 for none) whenever it changes: by a click,
// a key, a search or a new read of the list, which leaves no row current. Call it once the
// list has its model.
void OnCurrentRowChanged(QTableView* list, QObject* receiver, const std::function<void(int row)>& changed);

// The line above a window's data that names the examinee whose data it shows or will write.
QLabel* MakeExamineeLabel(QWidget* parent);
// Names the examinee on the label, or says that none is loaded when code is empty.
void ShowExaminee(QLabel* label, const QString& name, const QString& code);

// A hidden help panel: the lines of text (each ending in a line break) and a close button
// "بستن" that hides it. The text box and button are handed back for the window's names.
QGroupBox* MakeHelpPanel(QWidget* parent, const QString& title, const QStringList& lines, QTextEdit** text,
                         QPushButton** close);

// The search field above an examinee list (placeholder "جستجو"). The list shows the
// examinees matching what is typed, at each keystroke; Enter makes the first match current
// as a click on it would; Escape empties the field, and only in an empty field goes on to
// the window (which closes). It is enabled while its list is; Ctrl+F puts the focus in it.
class ExamineeSearchField : public QLineEdit {
public:
    ExamineeSearchField(QTableView* list, QWidget* parent);

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void searchFor(const QString& typed);
    void pickFirstMatch();
    // Reads the list again with the same search, for the examinees other workstations added.
    void refreshList();
    // Tells in the window that the list was not read (the rows it had stay), once until a
    // read works again: the box's closing activates the window, which reads once more.
    void tellIfNotRead(bool read);
    bool reloadKeepingCurrent(ExamineeListModel& model);

    QTableView* m_list;
    QWidget* m_window;
    bool m_toldNotRead = false;
};

// Escape closes the view as its close box does (and so by the same path, which stores what
// is on screen and gives the main window back).
void CloseOnEscape(QWidget* view);

// The longest start of text within limit UTF-16 units that ends between two whole characters
// (a letter with its marks, an emoji with its joiners), never inside one.
QString CutAtCharacterBoundary(const QString& text, int limit);

// Keeps what the user types or pastes into the field within limit, cut as above, and calls
// told after each cut so the window can say so. Text the window sets itself is left alone.
void LimitTypedLength(QLineEdit* edit, int limit, std::function<void()> told);

} // namespace morvalen
