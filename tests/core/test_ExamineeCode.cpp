#include "core/ExamineeCode.h"

#include <gtest/gtest.h>

#include <set>

namespace morvalen {
namespace {

struct CodeCase {
    const char* name;
    std::optional<std::string> last;
    std::set<std::string> inUse;
    std::string expected;
};

class AssignExamineeCodeTest : public testing::TestWithParam<CodeCase> {};

TEST_P(AssignExamineeCodeTest, GivesExpectedCode) {
    const CodeCase& c = GetParam();
    const auto inUse = [&c](const std::string& code) { return c.inUse.count(code) > 0; };
    EXPECT_EQ(AssignExamineeCode(c.last, inUse), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AssignExamineeCodeTest,
    testing::Values(CodeCase{"EmptyTable", std::nullopt, {}, "1"},
                    // "5" stored last while "6" is taken: the next free code after it.
                    CodeCase{"SkipsCodeInUse", "5", {"5", "6"}, "7"},
                    CodeCase{"SkipsRunOfCodes", "2", {"2", "3", "4", "5"}, "6"},
                    // The last examinee was deleted: its code and the ones after are free again.
                    CodeCase{"DeletedCodeReused", "3", {"1", "2"}, "4"},
                    CodeCase{"LastIsNotLargest", "2", {"2", "9"}, "3"},
                    CodeCase{"DamagedLastCode", "abc", {}, "1"},
                    CodeCase{"DamagedLastCodeSkipsUsed", "", {"1", "2"}, "3"},
                    CodeCase{"LeadingNumberOfText", "12x", {}, "13"},
                    CodeCase{"NegativeCountsAsZero", "-4", {"1"}, "2"},
                    CodeCase{"BeyondThirtyTwoBits", "4294967295", {}, "4294967296"}),
    [](const testing::TestParamInfo<CodeCase>& info) { return std::string(info.param.name); });

TEST(AssignExamineeCode, AsksOnlyAboutCandidates) {
    std::vector<std::string> asked;
    const auto inUse = [&asked](const std::string& code) {
        asked.push_back(code);
        return code == "8";
    };
    EXPECT_EQ(AssignExamineeCode(std::string("7"), inUse), "9");
    EXPECT_EQ(asked, (std::vector<std::string>{"8", "9"}));
}

} // namespace
} // namespace morvalen
