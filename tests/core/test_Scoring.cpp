#include "core/Scoring.h"

#include <gtest/gtest.h>

#include <numeric>

namespace morvalen {
namespace {

const std::array<int, kScaleCount> kSizes{9,  17, 17, 10, 15, 9,  15, 12, 11,
                                          10, 17, 9,  16, 11, 15, 14, 11, 14};

AnswerTexts All(const std::string& answer) {
    AnswerTexts answers;
    answers.fill(answer);
    return answers;
}

TEST(SchemaScale, KeyMatchesTheQuestionnaire) {
    const auto& scales = SchemaScales();
    const char* codes[] = {"ED", "AB", "MA", "SI", "DS", "FA", "AI", "VU", "EU",
                           "SB", "SS", "EI", "US", "ET", "IS", "AS", "NP", "PU"};
    const int divisors[] = {54, 102, 102, 60, 90, 54, 90, 72, 66, 60, 102, 54, 96, 66, 90, 84, 66, 84};
    const int domains[] = {1, 1, 1, 1, 1, 2, 2, 2, 2, 4, 4, 4, 4, 3, 3, 4, 4, 4};
    for (int s = 0; s < kScaleCount; ++s) {
        EXPECT_EQ(scales[s].number, s + 1);
        EXPECT_EQ(scales[s].code, codes[s]);
        EXPECT_EQ(scales[s].n, kSizes[s]);
        EXPECT_EQ(scales[s].maximum, divisors[s]);
        EXPECT_EQ(scales[s].domain, domains[s]);
    }
    EXPECT_EQ(scales[7].caption, "vu/ آسيب پذيري نسبت به ضرر و بيماري");
    EXPECT_EQ(scales[0].caption, "ed / محروميت هيجاني ");
    EXPECT_EQ(DomainHeading(2), "  حيطه ي دو، خودگرداني و عملکرد مختل: ");
    EXPECT_EQ(DomainHeading(5), "");
}

TEST(SchemaScale, ItemsMapToTheirBlocks) {
    const struct {
        int item;
        const char* code;
    } edges[] = {{1, "ED"},   {9, "ED"},   {10, "AB"},  {26, "AB"},  {27, "MA"},  {43, "MA"},
                 {44, "SI"},  {53, "SI"},  {54, "DS"},  {68, "DS"},  {69, "FA"},  {77, "FA"},
                 {78, "AI"},  {92, "AI"},  {93, "VU"},  {104, "VU"}, {105, "EU"}, {115, "EU"},
                 {116, "SB"}, {125, "SB"}, {126, "SS"}, {142, "SS"}, {143, "EI"}, {151, "EI"},
                 {152, "US"}, {167, "US"}, {168, "ET"}, {178, "ET"}, {179, "IS"}, {193, "IS"},
                 {194, "AS"}, {207, "AS"}, {208, "NP"}, {218, "NP"}, {219, "PU"}, {232, "PU"}};
    for (const auto& e : edges) {
        const int s = ScaleIndexOfItem(e.item);
        ASSERT_GE(s, 0) << e.item;
        EXPECT_EQ(SchemaScales()[s].code, e.code) << "item " << e.item;
    }
    EXPECT_EQ(ScaleIndexOfItem(0), -1);
    EXPECT_EQ(ScaleIndexOfItem(233), -1);
}

TEST(ScoreAnswers, UniformAnswerSheets) {
    const struct {
        const char* answer;
        int perItem;
        int percent;
        bool high;
    } cases[] = {{"", 0, 0, false}, {"1", 1, 17, false}, {"4", 4, 67, false}, {"6", 6, 100, true}};
    for (const auto& c : cases) {
        const ScoringResult r = ScoreAnswers(All(c.answer));
        const bool empty = std::string(c.answer).empty();
        for (int s = 0; s < kScaleCount; ++s) {
            const ScaleResult& scale = r.scales[s];
            EXPECT_EQ(scale.rawScore, c.perItem * kSizes[s]) << c.answer << " scale " << s;
            EXPECT_EQ(scale.percent, c.percent) << c.answer << " scale " << s;
            EXPECT_EQ(scale.unansweredCount, empty ? kSizes[s] : 0) << c.answer << " scale " << s;
            EXPECT_EQ(scale.highCount, c.high ? kSizes[s] : 0) << c.answer << " scale " << s;
            if (!c.high) {
                EXPECT_EQ(scale.highItems, "") << c.answer << " scale " << s;
            }
        }
        EXPECT_EQ(r.totalUnanswered, empty ? 232 : 0) << c.answer;
    }
    EXPECT_EQ(ScoreAnswers(All("6")).scales[0].highItems, "1,2,3,4,5,6,7,8,9,");
    EXPECT_EQ(ScoreAnswers(All("6")).scales[17].highItems,
              "219,220,221,222,223,224,225,226,227,228,229,230,231,232,");
}

TEST(ScoreAnswers, BlockEdgesMoveTheRightScale) {
    const struct {
        int item;
        int scale; // 0-based
    } cases[] = {{9, 0}, {10, 1}, {167, 12}, {168, 13}, {218, 16}, {219, 17}};
    for (const auto& c : cases) {
        AnswerTexts answers = All("1");
        answers[c.item - 1] = "5";
        const ScoringResult r = ScoreAnswers(answers);
        for (int s = 0; s < kScaleCount; ++s) {
            const bool moved = s == c.scale;
            EXPECT_EQ(r.scales[s].rawScore, kSizes[s] + (moved ? 4 : 0))
                << "item " << c.item << " scale " << s;
            EXPECT_EQ(r.scales[s].highCount, moved ? 1 : 0) << "item " << c.item << " scale " << s;
            EXPECT_EQ(r.scales[s].highItems, moved ? std::to_string(c.item) + "," : "") << "item " << c.item;
        }
    }
}

TEST(ScoreAnswers, VulnerabilityHalvesRoundToEven) {
    const struct {
        int raw;
        int percent;
    } cases[] = {{9, 12}, {27, 38}, {45, 62}, {63, 88}, {36, 50}, {72, 100}, {0, 0}};
    for (const auto& c : cases) {
        // VU's 12 items, filled with threes, ones and blanks to reach the raw score.
        AnswerTexts answers;
        int left = c.raw;
        for (int item = 93; item <= 104; ++item) {
            const int value = std::min(6, left);
            answers[item - 1] = value > 0 ? std::to_string(value) : "";
            left -= value;
        }
        const ScoringResult r = ScoreAnswers(answers);
        EXPECT_EQ(r.scales[7].rawScore, c.raw);
        EXPECT_EQ(r.scales[7].percent, c.percent) << "raw " << c.raw;
    }
}

TEST(ScoreAnswers, UnansweredItemsAreCountedAndListed) {
    AnswerTexts answers = All("3");
    answers[4] = "";
    answers[16] = "";
    answers[8] = "";
    answers[9] = "";
    const ScoringResult r = ScoreAnswers(answers);
    EXPECT_EQ(r.totalUnanswered, 4);
    EXPECT_EQ(r.unansweredList, "5  9  10  17  ");
    EXPECT_EQ(r.scales[0].unansweredCount, 2);
    EXPECT_EQ(r.scales[1].unansweredCount, 2);
    EXPECT_EQ(r.scales[0].rawScore, 3 * 7) << "blanks count 0";
    EXPECT_EQ(r.scales[0].percent, 39) << "against the full maximum (21 of 54)";
}

TEST(ScoreAnswers, TextThatIsNotANumberNeitherStopsNorCounts) {
    AnswerTexts answers = All("6");
    answers[0] = "x";    // not a number: 0, not high, not unanswered
    answers[1] = " ";    // a blank is not the empty text
    answers[2] = "5abc"; // leading number 5: high
    const ScoringResult r = ScoreAnswers(answers);
    EXPECT_EQ(r.scales[0].rawScore, 6 * 6 + 5);
    EXPECT_EQ(r.scales[0].unansweredCount, 0);
    EXPECT_EQ(r.scales[0].highCount, 7);
    EXPECT_EQ(r.scales[0].highItems, "3,4,5,6,7,8,9,");
    EXPECT_EQ(r.totalUnanswered, 0);
    EXPECT_EQ(r.scales[1].highCount, 17) << "the census went on past the bad cells";
}

TEST(ScoreAnswers, AbsurdImportedValuesDoNotWrapTheSixteenBitSum) {
    AnswerTexts answers = All("1");
    for (int item = 1; item <= 9; ++item) {
        answers[item - 1] = "99999";
    }
    EXPECT_EQ(ScoreAnswers(answers).scales[0].rawScore, 32767);
}

TEST(ScoreAnswers, ReusedResultCarriesNothingOver) {
    AnswerTexts first = All("");
    first[0] = "6";
    first[1] = "6";
    ScoringResult r;
    ScoreAnswers(first, r);
    ASSERT_EQ(r.scales[0].highItems, "1,2,");
    ASSERT_EQ(r.totalUnanswered, 230);
    ScoreAnswers(All("4"), r);
    for (int s = 0; s < kScaleCount; ++s) {
        EXPECT_EQ(r.scales[s].highCount, 0);
        EXPECT_EQ(r.scales[s].highItems, "");
        EXPECT_EQ(r.scales[s].unansweredCount, 0);
        EXPECT_EQ(r.scales[s].rawScore, 4 * kSizes[s]);
    }
    EXPECT_EQ(r.totalUnanswered, 0);
    EXPECT_EQ(r.unansweredList, "");
}

TEST(ScoreAnswers, CensusAddsUpForAnyAnswers) {
    // Whatever the answers, every scale's answered and unanswered items make up its size,
    // and the list holds as many items as the count says.
    unsigned seed = 12345;
    for (int round = 0; round < 200; ++round) {
        AnswerTexts answers;
        for (auto& a : answers) {
            seed = seed * 1103515245u + 12345u;
            const int v = static_cast<int>((seed >> 16) % 7);
            a = v == 0 ? "" : std::to_string(v);
        }
        const ScoringResult r = ScoreAnswers(answers);
        int unanswered = 0;
        for (int s = 0; s < kScaleCount; ++s) {
            const ScaleResult& scale = r.scales[s];
            const auto& key = SchemaScales()[s];
            int answered = 0, high = 0, sum = 0;
            for (int item = key.firstItem; item <= key.lastItem; ++item) {
                const std::string& a = answers[item - 1];
                answered += !a.empty();
                high += !a.empty() && std::stoi(a) > 4;
                sum += a.empty() ? 0 : std::stoi(a);
            }
            EXPECT_EQ(scale.unansweredCount, key.n - answered);
            EXPECT_EQ(scale.highCount, high);
            EXPECT_EQ(std::count(scale.highItems.begin(), scale.highItems.end(), ','), high);
            EXPECT_EQ(scale.rawScore, sum);
            unanswered += scale.unansweredCount;
        }
        EXPECT_EQ(r.totalUnanswered, unanswered);
    }
}

} // namespace
} // namespace morvalen
