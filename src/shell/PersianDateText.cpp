#include "shell/PersianDateText.h"

#include "core/PersianCalendar.h"

namespace morvalen {

QString PersianDateText(const QDate& date, int format) {
    if (!date.isValid()) {
        return {};
    }
    return QString::fromStdString(PersianDate({date.year(), date.month(), date.day()}, format));
}

} // namespace morvalen
