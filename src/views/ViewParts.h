#pragma once

#include <QString>
#include <QStringList>

class QGroupBox;
class QPushButton;
class QTableView;
class QTextEdit;
class QWidget;

namespace morvalen {

// The examinee list every window shows: whole rows, one at a time, read only, no row
// markers.
QTableView* MakeExamineeList(QWidget* parent);

// A hidden help panel: the lines of text (each ending in a line break) and a close button
// "بستن" that hides it. The text box and button are handed back for the window's names.
QGroupBox* MakeHelpPanel(QWidget* parent, const QString& title, const QStringList& lines, QTextEdit** text,
                         QPushButton** close);

// Escape closes the view as its close box does (and so by the same path, which stores what
// is on screen and gives the main window back).
void CloseOnEscape(QWidget* view);

} // namespace morvalen
