#include "core/NumberText.h"

#include <gtest/gtest.h>

namespace morvalen {
namespace {

TEST(LeadingNumber, ReadsTheLeadingDecimalNumber) {
    const struct {
        const char* text;
        double expected;
    } cases[] = {
        {"", 0},        {"5", 5},    {"12", 12}, {" 7", 7}, {"12abc", 12}, {"2.5", 2.5},
        {"2.5.1", 2.5}, {".5", 0.5}, {"-3", -3}, {"+4", 4}, {"abc", 0},    {"-", 0},
        {".", 0},       {"1e5", 1},  {"6 ", 6},  {"0", 0},  {"007", 7},    {"\xd9\xa5", 0},
    };
    for (const auto& c : cases) {
        EXPECT_DOUBLE_EQ(LeadingNumber(c.text), c.expected) << '"' << c.text << '"';
    }
}

TEST(AsciiDigit, PersianAndArabicIndicDigitsStandForTheirAsciiDigit) {
    const struct {
        char32_t typed;
        char expected;
    } cases[] = {
        {U'0', '0'},   {U'9', '9'},   {0x06F0, '0'}, {0x06F4, '4'}, {0x06F9, '9'}, {0x0660, '0'},
        {0x0666, '6'}, {0x0669, '9'}, {0x06EF, 0},   {0x06FA, 0},   {0x065F, 0},   {0x066A, 0},
        {U'/', 0},     {U':', 0},     {U'a', 0},     {U'\t', 0},    {0x7F, 0},     {0xFF16, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(AsciiDigit(c.typed), c.expected) << "U+" << std::hex << static_cast<unsigned>(c.typed);
    }
}

} // namespace
} // namespace morvalen
