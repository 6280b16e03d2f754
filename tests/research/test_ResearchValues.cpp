// How stored texts become the numbers of the research files: what counts as a number, and
// which digits, so that an answer's value never disagrees with its scale's score.
#include "core/Scoring.h"
#include "reports/ResearchExport.h"

#include <gtest/gtest.h>

#include <cmath>

namespace morvalen {
namespace {

using namespace Qt::StringLiterals;

TEST(ResearchValues, StoredTextsReadWholeOrMissing) {
    struct Case {
        QString text;
        bool persianDigits;
        double expected; // NaN: system-missing
    };
    const double missing = std::nan("");
    const Case cases[] = {
        {u"5"_s, false, 5},         {u" 6 "_s, false, 6},         {u""_s, false, missing},
        {u"   "_s, false, missing}, {u"x"_s, false, missing},     {u"5x"_s, false, missing},
        {u"1e5"_s, false, missing}, {u"2.5"_s, false, 2.5},       {u"۵"_s, false, missing},
        {u"۵"_s, true, 5},          {u"٣٠"_s, true, 30},          {u"٣٫٥"_s, true, 3.5},
        {u"٣٫٥"_s, false, missing}, {u"30 سال"_s, true, missing},
    };
    for (const Case& c : cases) {
        const double got = ResearchNumber(c.text, c.persianDigits);
        if (std::isnan(c.expected)) {
            EXPECT_TRUE(std::isnan(got)) << c.text.toStdString() << " gave " << got;
        } else {
            EXPECT_EQ(got, c.expected) << c.text.toStdString();
        }
    }
}

TEST(ResearchValues, AnAnswersValueIsWhatTheScorerCounts) {
    // Every answer the files write as a number adds that number to its scale.
    for (const QString& answer : {u"1"_s, u"6"_s, u" 4"_s, u"2.5"_s, u"۵"_s, u"x"_s, u"1e5"_s}) {
        const double value = ResearchNumber(answer, false);
        if (!std::isnan(value)) {
            EXPECT_EQ(value, AnswerValue(answer.toStdString())) << answer.toStdString();
        }
    }
}

TEST(ResearchValues, ItemsAreLabelledByTheirTextOrNumber) {
    EXPECT_EQ(ItemLabel(4, u"  من اغلب\nتنها هستم  "_s), u"من اغلب تنها هستم"_s) << "one line";
    EXPECT_EQ(ItemLabel(4, QString()), u"سوال 4"_s);
    EXPECT_EQ(ItemLabel(4, u"   "_s), u"سوال 4"_s);
}

} // namespace
} // namespace morvalen
