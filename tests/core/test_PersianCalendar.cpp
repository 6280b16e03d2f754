#include "core/PersianCalendar.h"

#include <chrono>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

using morvalen::CivilDate;
using morvalen::DayNumberToPersian;
using morvalen::IsPersianLeapYear;
using morvalen::PersianDate;
using morvalen::PersianYmd;

namespace morvalen {
// Lets GoogleTest print a date instead of raw bytes.
void PrintTo(const PersianYmd& p, std::ostream* out) {
    *out << p.year << "/" << p.month << "/" << p.day;
}
} // namespace morvalen

namespace {

constexpr std::chrono::sys_days kBase{std::chrono::year{1953} / std::chrono::March / 21};

CivilDate ToCivil(std::chrono::sys_days days) {
    const std::chrono::year_month_day ymd{days};
    return {static_cast<int>(ymd.year()), static_cast<int>(static_cast<unsigned>(ymd.month())),
            static_cast<int>(static_cast<unsigned>(ymd.day()))};
}

std::string Ymd(const PersianYmd& p) {
    return std::to_string(p.year) + "." + std::to_string(p.month) + "." + std::to_string(p.day);
}

int MonthLength(int year, int month) {
    if (month <= 6) {
        return 31;
    }
    if (month <= 11) {
        return 30;
    }
    return IsPersianLeapYear(year - 1332) ? 30 : 29;
}

} // namespace

TEST(PersianCalendar, LeapYearsFollowTheThirtyTwoYearRule) {
    const std::set<int> leap{1333, 1337, 1342, 1346, 1350, 1354, 1358, 1362, 1366, 1370,
                             1375, 1379, 1383, 1387, 1391, 1395, 1399, 1403, 1408};
    for (int year = 1332; year <= 1410; ++year) {
        EXPECT_EQ(IsPersianLeapYear(year - 1332), leap.count(year) == 1) << "year " << year;
    }
}

TEST(PersianCalendar, DayNumbersAtYearAndHalfYearEdges) {
    struct Case {
        long long dayNumber;
        PersianYmd expected;
    };
    // 1332 is a common year and 1333 a leap year; -1 is outside the domain.
    const std::vector<Case> cases{
        {0, {1332, 1, 1}},     {30, {1332, 1, 31}},  {31, {1332, 2, 1}},          {185, {1332, 6, 31}},
        {186, {1332, 7, 1}},   {215, {1332, 7, 30}}, {216, {1332, 8, 1}},         {336, {1332, 12, 1}},
        {364, {1332, 12, 29}}, {365, {1333, 1, 1}},  {365 + 365, {1333, 12, 30}}, {365 + 366, {1334, 1, 1}},
        {-1, {0, 0, 0}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DayNumberToPersian(c.dayNumber), c.expected) << "day " << c.dayNumber;
    }
}

TEST(PersianCalendar, KnownGregorianDates) {
    struct Case {
        CivilDate date;
        const char* expected;
    };
    const std::vector<Case> cases{
        {{1953, 3, 21}, "1332/01/01"}, {{2023, 3, 21}, "1402/01/01"}, {{2023, 9, 22}, "1402/06/31"},
        {{2023, 9, 23}, "1402/07/01"}, {{2024, 3, 19}, "1402/12/29"}, {{2024, 3, 20}, "1403/01/01"},
        {{2025, 3, 20}, "1403/12/30"}, {{2025, 3, 21}, "1404/01/01"}, {{2024, 2, 29}, "1402/12/10"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PersianDate(c.date, 0), c.expected)
            << c.date.year << "-" << c.date.month << "-" << c.date.day;
    }
}

TEST(PersianCalendar, AllFormatsForOneDate) {
    const CivilDate monday{2023, 7, 31};
    EXPECT_EQ(PersianDate(monday, 0), "1402/05/09");
    EXPECT_EQ(PersianDate(monday, 1), "9 مرداد 1402");
    EXPECT_EQ(PersianDate(monday, 2), "دوشنبه 1402/5/9");
    EXPECT_EQ(PersianDate(monday, 3), "دوشنبه 9 مرداد 1402");
    EXPECT_EQ(PersianDate(monday, 4), "1402.5.9");
    EXPECT_EQ(PersianDate(monday), PersianDate(monday, 0));
    EXPECT_EQ(PersianDate(monday, static_cast<int>(morvalen::PersianFormat::WeekdayDayMonthYear)),
              PersianDate(monday, 3));
}

TEST(PersianCalendar, SlashedPadsOnlyBelowTen) {
    EXPECT_EQ(PersianDate({2023, 12, 31}, 0), "1402/10/10");
    EXPECT_EQ(PersianDate({2023, 12, 31}, 4), "1402.10.10");
    EXPECT_EQ(PersianDate({2024, 1, 20}, 0), "1402/10/30");
}

TEST(PersianCalendar, WeekdayNamesRunSundayToSaturday) {
    // 26 March 2023 is a Sunday, 1402/1/6.
    const std::chrono::sys_days firstSunday{std::chrono::year{2023} / std::chrono::March / 26};
    const std::vector<const char*> names{"يکشنبه",  "دوشنبه", "سه شنبه", "چهارشنبه",
                                         "پنجشنبه", "جمعه",   "شنبه"};
    for (int i = 0; i < 7; ++i) {
        const CivilDate date = ToCivil(firstSunday + std::chrono::days{i});
        const std::string day = std::to_string(6 + i);
        EXPECT_EQ(PersianDate(date, 2), std::string(names[i]) + " 1402/1/" + day);
        EXPECT_EQ(PersianDate(date, 3), std::string(names[i]) + " " + day + " فروردين 1402");
    }
    // A Saturday on its own, so the last name is tied to a real date.
    EXPECT_EQ(PersianDate({2023, 3, 25}, 2), "شنبه 1402/1/5");
    EXPECT_EQ(PersianDate({2023, 3, 25}, 3), "شنبه 5 فروردين 1402");
}

TEST(PersianCalendar, MonthNamesInOrder) {
    const std::vector<const char*> names{"فروردين", "ارديبهشت", "خرداد", "تير", "مرداد", "شهريور",
                                         "مهر",     "آبان",     "آذر",   "دي",  "بهمن",  "اسفند"};
    const std::chrono::sys_days newYear{std::chrono::year{2023} / std::chrono::March / 21};
    for (int month = 1; month <= 12; ++month) {
        const int offset = month <= 7 ? (month - 1) * 31 : 186 + (month - 7) * 30;
        const CivilDate date = ToCivil(newYear + std::chrono::days{offset});
        EXPECT_EQ(PersianDate(date, 1), "1 " + std::string(names[month - 1]) + " 1402") << "month " << month;
    }
}

TEST(PersianCalendar, NamesUseArabicYehOnly) {
    // U+06CC (Persian yeh) is DB 8C in UTF-8; the program's names use U+064A (D9 8A).
    const std::string persianYeh = "\xDB\x8C";
    const std::chrono::sys_days newYear{std::chrono::year{2023} / std::chrono::March / 21};
    for (int offset = 0; offset < 366; ++offset) {
        const std::string text = PersianDate(ToCivil(newYear + std::chrono::days{offset}), 3);
        ASSERT_FALSE(text.empty());
        EXPECT_EQ(text.find(persianYeh), std::string::npos) << text;
    }
    EXPECT_NE(PersianDate({2023, 3, 21}, 1).find("\xD9\x8A"), std::string::npos); // "فروردين"
}

TEST(PersianCalendar, RejectedInputGivesEmptyText) {
    struct Case {
        CivilDate date;
        int format;
    };
    const std::vector<Case> cases{
        {{2023, 7, 31}, 5}, {{2023, 7, 31}, -1}, {{1953, 3, 20}, 0},  {{1900, 1, 1}, 1},   {{2023, 2, 31}, 0},
        {{2023, 2, 29}, 0}, {{2023, 4, 31}, 2},  {{2023, 0, 10}, 0},  {{2023, 13, 10}, 0}, {{2023, 5, 0}, 0},
        {{2023, 5, 32}, 0}, {{2023, -1, 1}, 0},  {{2023, 1, 300}, 0}, {{100000, 1, 1}, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PersianDate(c.date, c.format), "")
            << c.date.year << "-" << c.date.month << "-" << c.date.day << " format " << c.format;
    }
}

TEST(PersianCalendar, ConsecutiveDaysAdvanceByOneDay) {
    const std::chrono::sys_days last{std::chrono::year{2100} / std::chrono::December / 31};
    PersianYmd expected{1332, 1, 1};
    for (std::chrono::sys_days day = kBase; day <= last; day += std::chrono::days{1}) {
        const long long dayNumber = (day - kBase).count();
        const PersianYmd actual = DayNumberToPersian(dayNumber);
        ASSERT_EQ(actual, expected) << "day " << dayNumber;
        ASSERT_EQ(PersianDate(ToCivil(day), 4), Ymd(expected)) << "day " << dayNumber;

        if (expected.day < MonthLength(expected.year, expected.month)) {
            ++expected.day;
        } else if (expected.month < 12) {
            expected = {expected.year, expected.month + 1, 1};
        } else {
            expected = {expected.year + 1, 1, 1};
        }
    }
    EXPECT_EQ(expected.year, 1479); // the loop really reached 2100
}
