#pragma once

#include "shell/Context.h"
#include "store/AnswerStore.h"
#include "store/ExamineeListModel.h"
#include "views/MainWindowLock.h"

#include <QWidget>

#include <array>
#include <bitset>
#include <memory>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
class QTextEdit;
class QTimer;

namespace morvalen {

// The answer sheet: a paper sheet typed in at one key per item, on two pages of cells,
// saved every 15 keys, on the save button and whenever the sheet is left.
class AnswerSheetWindow : public QWidget {
    Q_OBJECT

public:
    enum Button { Exit = 0, Save = 1, NextPage = 2, PreviousPage = 3 };

    AnswerSheetWindow(const Context& context, QWidget* mainWindow);
    ~AnswerSheetWindow() override;

    // Writes the loaded examinee's answers. False when the write failed (or nobody is loaded).
    bool Saveee();
    // The code of the examinee whose answers are in the cells; empty while none is.
    const QString& loadedCode() const { return m_loadedCode; }
    int page() const { return m_page; }
    int keyCount() const { return m_keys; }
    void setPage(int page);
    // The double click on a list row: save the examinee in the cells, clear them, and load
    // this one after the pause.
    void selectExaminee(int row);

    QTableView* VSFlexGrid1 = nullptr;
    std::array<QLineEdit*, kItemCount> FlatEdit1{};
    std::array<QLabel*, kItemCount> Label1{};
    QGroupBox* GroupBox1 = nullptr; // page 1: items 1 to 140
    QGroupBox* GroupBox2 = nullptr; // page 2: items 141 to 232
    std::array<QPushButton*, 4> PushB1{};
    QPushButton* PushButton1 = nullptr; // "راهنما"
    QGroupBox* GroupBox4 = nullptr;     // help
    QTextEdit* TxtHelp = nullptr;
    QPushButton* PushButton2 = nullptr;
    QTimer* Timer1 = nullptr; // the delayed load

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void build();
    QGroupBox* buildPage(int firstItem, int lastItem, int columns);
    void load();
    void clearCells();
    void typed(int index, QChar digit);
    void countKey();
    AnswerRow currentRow() const;

    Context m_context;
    MainWindowLock m_mainLock;
    std::unique_ptr<Database> m_db;
    std::unique_ptr<AnswerStore> m_answers;
    ExamineeListModel* m_list = nullptr;
    QString m_pendingCode; // double-clicked, waiting for the timer
    QString m_loadedCode;
    // The row as stored: a cell the tester has not typed in is written back unchanged, even
    // if it held more than the one character a cell shows.
    AnswerRow m_stored;
    std::bitset<kItemCount> m_typed;
    int m_page = 1;
    int m_keys = 0; // key presses since the last autosave
};

} // namespace morvalen
