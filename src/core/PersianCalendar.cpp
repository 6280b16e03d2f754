#include "core/PersianCalendar.h"

#include <array>
#include <chrono>
#include <string_view>

namespace morvalen {

namespace {

constexpr int kBaseYear = 1332;
constexpr int kLeapReferenceYear = 1309;
constexpr std::chrono::sys_days kBaseDate{std::chrono::year{1953} / std::chrono::March / 21};

// Month names as the program has always written them, with the Arabic yeh (U+064A).
constexpr std::array<std::string_view, 12> kMonthNames{
    "فروردين", "ارديبهشت", "خرداد", "تير", "مرداد", "شهريور", "مهر", "آبان", "آذر", "دي", "بهمن", "اسفند",
};

// Weekday names, Sunday first.
constexpr std::array<std::string_view, 7> kWeekdayNames{
    "يکشنبه", "دوشنبه", "سه شنبه", "چهارشنبه", "پنجشنبه", "جمعه", "شنبه",
};

std::string TwoDigits(int value) {
    return value < 10 ? "0" + std::to_string(value) : std::to_string(value);
}

std::string Joined(int first, char separator, int second, int third) {
    return std::to_string(first) + separator + std::to_string(second) + separator + std::to_string(third);
}

} // namespace

bool IsPersianLeapYear(int yearIndex) {
    const int n = kBaseYear + yearIndex - kLeapReferenceYear;
    const int r = n % 32;
    const int q = n / 32;
    return (r - q) % 4 == 0;
}

PersianYmd DayNumberToPersian(long long dayNumber) {
    if (dayNumber < 0) {
        return {0, 0, 0};
    }
    // Walk whole years; what is left is the 0-based day within the year.
    int yearIndex = 0;
    for (;;) {
        const int length = IsPersianLeapYear(yearIndex) ? 366 : 365;
        if (dayNumber - length < 0) {
            break;
        }
        dayNumber -= length;
        ++yearIndex;
    }
    const int dayOfYear = static_cast<int>(dayNumber);
    const int year = kBaseYear + yearIndex;
    // The first six months have 31 days (186 in all), the rest 30 (the last one 29 or 30).
    if (dayOfYear <= 185) {
        return {year, dayOfYear / 31 + 1, dayOfYear % 31 + 1};
    }
    const int rest = dayOfYear - 186;
    return {year, rest / 30 + 7, rest % 30 + 1};
}

std::string PersianDate(CivilDate date, int format) {
    using namespace std::chrono;

    if (format < 0 || format > 4) {
        return {};
    }
    // Range-check first: chrono leaves out-of-range field values unspecified.
    if (date.year < static_cast<int>(year::min()) || date.year > static_cast<int>(year::max()) ||
        date.month < 1 || date.month > 12 || date.day < 1 || date.day > 31) {
        return {};
    }
    const year_month_day civil{year{date.year}, month{static_cast<unsigned>(date.month)},
                               day{static_cast<unsigned>(date.day)}};
    if (!civil.ok()) {
        return {};
    }
    const sys_days days{civil};
    if (days < kBaseDate) {
        return {};
    }

    const PersianYmd p = DayNumberToPersian((days - kBaseDate).count());
    const std::string_view monthName = kMonthNames[static_cast<std::size_t>(p.month - 1)];
    const std::string_view weekdayName = kWeekdayNames[weekday{days}.c_encoding()];

    switch (static_cast<PersianFormat>(format)) {
    case PersianFormat::Slashed:
        return std::to_string(p.year) + "/" + TwoDigits(p.month) + "/" + TwoDigits(p.day);
    case PersianFormat::DayMonthYear:
        return std::to_string(p.day) + " " + std::string(monthName) + " " + std::to_string(p.year);
    case PersianFormat::WeekdaySlashed:
        return std::string(weekdayName) + " " + Joined(p.year, '/', p.month, p.day);
    case PersianFormat::WeekdayDayMonthYear:
        return std::string(weekdayName) + " " + std::to_string(p.day) + " " + std::string(monthName) + " " +
               std::to_string(p.year);
    case PersianFormat::Dotted:
        return Joined(p.year, '.', p.month, p.day);
    }
    return {};
}

} // namespace morvalen
