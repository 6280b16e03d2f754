#pragma once

#include "core/Scoring.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace morvalen {

// The explanatory paragraph of a scale by its code; the empty text when there is none.
using ParagraphLookup = std::function<std::string(std::string_view scaleCode)>;

// The comment on one scale (index 0 to 17) from how many of its items were answered above
// 4 and which: the no-problem sentence, or the one-item or several-items sentence followed
// by the scale's paragraph. A negative count, which scoring never gives, gives the empty text.
std::string ScaleComment(int scaleIndex, int highCount, std::string_view highItems,
                         std::string_view paragraph);

// "تعداد سوالات بدون پاسخ  N  سوال مي باشد." and a line break.
std::string UnansweredCountLine(int totalUnanswered);

// The interpretation shown on screen: the disclaimer, the unanswered count, then every
// scale under its domain heading with its comment. Line breaks are CR LF.
std::string BuildInterpretationText(const ScoringResult& result, const ParagraphLookup& paragraph);

struct ReportSection {
    std::string key;  // "V" or a scale code
    std::string text; // trimmed of blanks at both ends; line breaks stay
};

// The 19 sections of the printed report in the order they are written: "V" (the
// unanswered count) and then one comment per scale.
std::vector<ReportSection> BuildReportSections(const ScoringResult& result, const ParagraphLookup& paragraph);

// Removes spaces, and only spaces, from both ends.
std::string TrimSpaces(std::string_view text);

} // namespace morvalen
