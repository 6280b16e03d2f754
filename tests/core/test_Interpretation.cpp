#include "core/ExamineeSummary.h"
#include "core/Interpretation.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>

namespace morvalen {
namespace {

const std::string kNone = "آزمودني در اين طرحواره مشكلي ندارد.\r\n\r\n";
const std::string kOneLead = "باتوجه به اينكه يكي از سوالهاي اين طرحواره ، ( سوال: ";
const std::string kSeveralLead = "باتوجه به اينكه چندتا از سوالهاي اين طرحواره ، ( سوال هاي: ";
const std::string kReason =
    "  نمره بيشتر از 4 دارد، در خصوص اين طرحواره بايد اطلاعات بيشتري كسب شود و احتمال اينكه "
    "اين طرحواره را داشته باشد، وجود دارد. ";
const std::string kReasonMa =
    "  نمره بيشتر از 4  دارد، در خصوص اين طرحواره بايد اطلاعات بيشتري كسب شود و احتمال "
    "اينكه اين طرحواره را داشته باشد، وجود دارد. ";

ParagraphLookup Paragraphs() {
    return [](std::string_view code) { return "بند " + std::string(code); };
}

std::string ReadFixture(const std::string& name) {
    std::ifstream file(std::string(MORVALEN_TEST_FIXTURES) + "/" + name, std::ios::binary);
    std::stringstream content;
    content << file.rdbuf();
    return content.str();
}

TEST(ScaleComment, NoneOneOrSeveralHighItems) {
    const struct {
        const char* what;
        int scale;
        int count;
        std::string items;
        std::string expected;
    } cases[] = {
        {"none", 1, 0, "", kNone},
        {"item 10", 1, 1, "10,", kOneLead + "10," + " ) " + kReason + "\r\nP\r\n\r\n"},
        {"several", 0, 3, "3,5,9,", kSeveralLead + "3,5,9," + " ) " + kReason + "\r\nP\r\n\r\n"},
        // Mistrust alone has two blanks after the 4, and only with two or more items.
        {"MA several", 2, 2, "27,30,", kSeveralLead + "27,30," + " ) " + kReasonMa + "\r\nP\r\n\r\n"},
        {"MA one", 2, 1, "27,", kOneLead + "27," + " ) " + kReason + "\r\nP\r\n\r\n"},
        {"impossible", 4, -1, "", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ScaleComment(c.scale, c.count, c.items, "P"), c.expected) << c.what;
    }
}

TEST(ScaleComment, WorkedExampleSpacing) {
    const std::string comment = ScaleComment(1, 2, "12,20,", "AB paragraph");
    const std::string firstLine = comment.substr(0, comment.find("\r\n"));
    EXPECT_EQ(firstLine,
              "باتوجه به اينكه چندتا از سوالهاي اين طرحواره ، ( سوال هاي: 12,20, )   نمره بيشتر از 4 "
              "دارد، در خصوص اين طرحواره بايد اطلاعات بيشتري كسب شود و احتمال اينكه اين طرحواره را "
              "داشته باشد، وجود دارد. ");
    EXPECT_EQ(comment.substr(firstLine.size()), "\r\nAB paragraph\r\n\r\n");
    // A missing paragraph leaves the sentence, one break, nothing and two breaks.
    EXPECT_EQ(ScaleComment(1, 1, "10,", ""), kOneLead + "10, ) " + kReason + "\r\n\r\n\r\n");
}

TEST(Interpretation, CountLineHasTwoBlanksAroundTheNumber) {
    EXPECT_EQ(UnansweredCountLine(0), "تعداد سوالات بدون پاسخ  0  سوال مي باشد.\r\n");
    EXPECT_EQ(UnansweredCountLine(232), "تعداد سوالات بدون پاسخ  232  سوال مي باشد.\r\n");
}

TEST(Interpretation, OnScreenTextWithNoHighItemsMatchesTheFixture) {
    const ScoringResult result = ScoreAnswers([] {
        AnswerTexts answers;
        answers.fill("3");
        return answers;
    }());
    int looked = 0;
    const std::string text = BuildInterpretationText(result, [&looked](std::string_view) {
        ++looked;
        return std::string("never shown");
    });
    const std::string fixture = ReadFixture("interpretation_no_high_items.txt");
    ASSERT_FALSE(fixture.empty());
    EXPECT_EQ(text, fixture);
    EXPECT_EQ(looked, 18) << "the paragraph is looked up for every scale";
}

TEST(Interpretation, OnScreenTextPlacesEachCommentUnderItsHeading) {
    AnswerTexts answers;
    answers.fill("2");
    answers[9] = "5";   // AB
    answers[167] = "6"; // ET
    answers[168] = "6"; // ET
    const std::string text = BuildInterpretationText(ScoreAnswers(answers), Paragraphs());
    const std::string et = "طرحواره ي استحقاق / بزرگمنشي ET: \r\n" + kSeveralLead + "168,169, ) " + kReason +
                           "\r\nبند ET\r\n\r\nطرحواره ي خويشتنداري / خود انضباطي ناکافي IS: \r\n" + kNone +
                           "حيطه ي چهارم: ديگر- جهت مندي \r\nطرحواره ي اطاعت SB:\r\n";
    EXPECT_NE(text.find(et), std::string::npos);
    const std::string ab =
        "طرحواره ي رهاشدگي/ بي ثباتي AB:\r\n" + kOneLead + "10, ) " + kReason + "\r\nبند AB\r\n\r\n";
    EXPECT_NE(text.find(ab), std::string::npos);
    EXPECT_EQ(text.find("بند ED"), std::string::npos);
    // Building twice gives the same text, not a longer one.
    EXPECT_EQ(BuildInterpretationText(ScoreAnswers(answers), Paragraphs()), text);
}

TEST(Interpretation, ReportSectionsInOrderAndTrimmedOfSpacesOnly) {
    AnswerTexts answers;
    answers.fill("1");
    answers[0] = "";
    answers[26] = "6"; // MA
    answers[27] = "5"; // MA
    const auto sections = BuildReportSections(ScoreAnswers(answers), Paragraphs());
    std::vector<std::string> keys;
    for (const auto& s : sections) {
        keys.push_back(s.key);
    }
    EXPECT_EQ(keys, (std::vector<std::string>{"V", "ED", "AB", "MA", "DS", "SI", "AI", "VU", "EU", "FA", "ET",
                                              "IS", "SB", "SS", "AS", "NP", "PU", "US", "EI"}));
    std::map<std::string, std::string> byKey;
    for (const auto& s : sections) {
        byKey[s.key] = s.text;
    }
    EXPECT_EQ(byKey["V"], "تعداد سوالات بدون پاسخ  1  سوال مي باشد.\r\n") << "the final line break stays";
    EXPECT_EQ(byKey["ED"], kNone);
    EXPECT_EQ(byKey["MA"], kSeveralLead + "27,28, ) " + kReasonMa + "\r\nبند MA\r\n\r\n");
    EXPECT_EQ(TrimSpaces("  a b \r\n  "), "a b \r\n");
    EXPECT_EQ(TrimSpaces("   "), "");
    EXPECT_EQ(TrimSpaces(" \r\n"), "\r\n");
}

TEST(ExamineeSummary, FourBlanksBeforeEachLabelAndOneAfter) {
    EXPECT_EQ(ExamineeSummaryLine("مريم احمدي", "30", "زن", "مجرد", "كارشناسي"),
              "مريم احمدي    سن: 30    جنسيت: زن    وضعيت تاهل: مجرد    تحصيلات: كارشناسي");
    EXPECT_EQ(ExamineeSummaryLine("", "", "", "", ""), "    سن:     جنسيت:     وضعيت تاهل:     تحصيلات: ");
}

} // namespace
} // namespace morvalen
