#pragma once

#include <QFont>

class QApplication;

namespace morvalen {

// The interface font. "B Nazanin" is asked for by name; where it is not installed a free
// Persian face with the same feel stands in, so Persian is always shaped properly.
QFont NazaninFont(qreal pointSize, bool bold = false);

// Right to left, the Persian font and its stand-ins, the application's name and icon.
// Run once, right after the application object is made.
void ConfigureApplication(QApplication& app);

} // namespace morvalen
