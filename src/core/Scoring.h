#pragma once

#include "core/SchemaScale.h"

#include <array>
#include <string>
#include <string_view>

namespace morvalen {

// The 232 answer texts of one examinee; index i holds item i + 1: "1" to "6", or empty.
using AnswerTexts = std::array<std::string, kItemCount>;

struct ScaleResult {
    int rawScore = 0;        // sum of the answer values of the scale's items
    int percent = 0;         // rawScore as a whole percentage of the scale's maximum
    int unansweredCount = 0; // items of the scale with an empty answer
    int highCount = 0;       // items of the scale answered above 4
    std::string highItems;   // those item numbers, each followed by "," ("12,15,16,")
};

struct ScoringResult {
    std::array<ScaleResult, kScaleCount> scales; // in scale order
    int totalUnanswered = 0;                     // empty answers among the 232
    std::string unansweredList;                  // their item numbers, each followed by two blanks
};

// The value an answer text adds to its scale: its leading decimal number, 0 for the empty
// text or a text that does not start with a number.
double AnswerValue(std::string_view text);

// Scores one examinee: raw scores, percentages, the census of each scale and the list of
// unanswered items. The second form reuses the result's storage, for callers that score
// many examinees; nothing of an earlier examinee is carried over.
ScoringResult ScoreAnswers(const AnswerTexts& answers);
void ScoreAnswers(const AnswerTexts& answers, ScoringResult& result);

// The census alone: unansweredCount, highCount and highItems of every scale.
void BuildHighRatedLists(const AnswerTexts& answers, ScoringResult& result);

// Percentages from the raw scores, rounded to a whole number with an exact half going to
// the even neighbour (VU: 9 of 72 is 12.5 and gives 12, 27 gives 38).
void ComputePercentages(ScoringResult& result);

} // namespace morvalen
