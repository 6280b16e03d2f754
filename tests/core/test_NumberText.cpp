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

} // namespace
} // namespace morvalen
