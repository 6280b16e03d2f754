#pragma once

#include <QDate>
#include <QString>

namespace morvalen {

// A date in the Persian calendar as text, in one of the five formats (0: "1402/05/09").
QString PersianDateText(const QDate& date, int format = 0);

} // namespace morvalen
