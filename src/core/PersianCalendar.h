#pragma once
#include <string>

namespace morvalen {

// A Gregorian calendar date.
struct CivilDate {
    int year;
    int month;
    int day;
};

// A date in the Persian solar calendar.
struct PersianYmd {
    int year;
    int month;
    int day;
    bool operator==(const PersianYmd&) const = default;
};

// Text layouts for PersianDate; the values are the ones stored in settings.
enum class PersianFormat : int {
    Slashed = 0,             // 1402/05/09
    DayMonthYear = 1,        // 9 mordad 1402
    WeekdaySlashed = 2,      // weekday 1402/5/9
    WeekdayDayMonthYear = 3, // weekday 9 mordad 1402
    Dotted = 4               // 1402.5.9
};

// True when Persian year 1332 + yearIndex is a leap year under the program's 32-year rule.
bool IsPersianLeapYear(int yearIndex);

// Converts days since 21 March 1953 (day 0 = 1332/1/1) to a Persian date.
// dayNumber must be >= 0; a negative value gives {0, 0, 0}.
PersianYmd DayNumberToPersian(long long dayNumber);

// Formats a Gregorian date as Persian UTF-8 text in one of the PersianFormat layouts.
// Gives "" for an unknown format, an invalid Gregorian date or a date before 21 March 1953.
std::string PersianDate(CivilDate date, int format = 0);

} // namespace morvalen
