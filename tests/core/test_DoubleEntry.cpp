// Comparing two typings of one paper sheet, and the agreement rate a study reports.
#include "core/DoubleEntry.h"

#include <gtest/gtest.h>

namespace morvalen {
namespace {

AnswerTexts Filled(const std::string& value) {
    AnswerTexts texts;
    texts.fill(value);
    return texts;
}

TEST(DoubleEntry, DifferencesAreTheItemsWhoseTypingsDiffer) {
    AnswerTexts first = Filled("4");
    AnswerTexts second = first;
    second[0] = "5";  // item 1
    second[139] = ""; // item 140, skipped in the second typing
    first[231] = "";  // item 232, skipped in the first
    second[231] = "2";
    first[100] = ""; // item 101, blank on the paper: left out of the count
    second[100] = "";
    const EntryComparison comparison = CompareEntries(first, second);
    EXPECT_EQ(comparison.compared, 231);
    EXPECT_EQ(comparison.differences, (std::vector<int>{1, 140, 232}));
    EXPECT_TRUE(CompareEntries(first, first).differences.empty());
}

TEST(DoubleEntry, AgreementRateIsRoundedDownToATenth) {
    const struct {
        int compared;
        int differences;
        const char* text;
    } cases[] = {
        {232, 3, "98.7"}, // 98.71
        {232, 1, "99.5"}, // 99.57: never shown as 100 with a difference left
        {232, 0, "100"},  {4, 1, "75"}, {3, 1, "66.6"}, {0, 0, "100"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(AgreementText(c.compared, c.differences), c.text) << c.compared << " " << c.differences;
    }
    EXPECT_NEAR(AgreementPercent(232, 3), 98.7069, 1e-3);
}

TEST(DoubleEntry, VerifiedOnlyWhenComparedAndBothAgree) {
    const AnswerTexts first = Filled("2");
    AnswerTexts other = first;
    other[5] = "3";
    EXPECT_EQ(VerificationOf(false, false, first, other), Verification::SingleEntry);
    EXPECT_EQ(VerificationOf(true, false, first, first), Verification::Unsettled) << "not compared yet";
    EXPECT_EQ(VerificationOf(true, true, first, other), Verification::Unsettled);
    EXPECT_EQ(VerificationOf(true, true, first, first), Verification::Verified);
}

} // namespace
} // namespace morvalen
