#include "core/VersionNumber.h"

#include <gtest/gtest.h>

namespace morvalen {
namespace {

TEST(VersionNumber, ReadsTheServersText) {
    const struct {
        const char* text;
        double value;
        bool newerThan43;
    } cases[] = {
        {"43", 43, false},
        {"44", 44, true},
        {"43.5", 43.5, true},
        {"44\r\n", 44, true},
        {"4 4", 44, true},
        {"44(beta)", 44, true},
        {"<!DOCTYPE html><html>404</html>", 0, false},
        {"", 0, false},
        {"&H2C", 44, true},
        {"&o54", 44, true},
        {"1E1", 10, false},
        {"4.4D1", 44, true},
        {"-50", -50, false},
        {"\t+44\n", 44, true},
        {"4\r4", 4, false},
        {"42.1.9", 42.1, false},
    };
    for (const auto& c : cases) {
        EXPECT_DOUBLE_EQ(ReadVersionNumber(c.text), c.value) << '"' << c.text << '"';
        EXPECT_EQ(IsNewerVersion(ReadVersionNumber(c.text), OwnVersionNumber(4, 3)), c.newerThan43) << c.text;
    }
}

TEST(VersionNumber, OwnVersionJoinsMajorAndMinor) {
    EXPECT_EQ(OwnVersionNumber(4, 3), 43);
    EXPECT_EQ(OwnVersionNumber(4, 10), 410);
    EXPECT_EQ(OwnVersionNumber(1, 0), 10);
    EXPECT_FALSE(IsNewerVersion(44, OwnVersionNumber(4, 10)));
}

} // namespace
} // namespace morvalen
