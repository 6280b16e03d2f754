#pragma once

#include <QColor>
#include <QString>

class QApplication;

namespace morvalen {

// Draws every window of the application in the skin of a theme number (the text of the
// settings row's theme field; text that is not a number reads as 0). Theme numbers outside
// 1 to 23, and a missing style file or scheme, give the system's own look. Open windows
// change at once. Returns the window background colour now in force.
QColor ApplyTheme(QApplication& app, const QString& programFolder, const QString& themeText);

} // namespace morvalen
