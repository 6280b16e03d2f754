#include "core/Interpretation.h"

#include <algorithm>
#include <array>

namespace morvalen {

namespace {

constexpr std::string_view kCrLf = "\r\n";
constexpr std::string_view kDisclaimer =
    "اين يك تفسير سيستمي مي باشد و حتما بايد توسط يك روانشناس مجرب تائيد گردد.";
constexpr std::string_view kCountLead = "تعداد سوالات بدون پاسخ  ";
constexpr std::string_view kCountGap = " ";
constexpr std::string_view kCountTail = " سوال مي باشد.";
constexpr std::string_view kNone = "آزمودني در اين طرحواره مشكلي ندارد.";
constexpr std::string_view kOneLead = "باتوجه به اينكه يكي از سوالهاي اين طرحواره ، ( سوال: ";
constexpr std::string_view kSeveralLead = "باتوجه به اينكه چندتا از سوالهاي اين طرحواره ، ( سوال هاي: ";
constexpr std::string_view kClose = " ) ";
constexpr std::string_view kReason =
    "  نمره بيشتر از 4 دارد، در خصوص اين طرحواره بايد اطلاعات بيشتري كسب شود و "
    "احتمال اينكه اين طرحواره را داشته باشد، وجود دارد. ";
// Mistrust has always been written with two blanks after the 4, in the several-items case.
constexpr std::string_view kReasonMistrust =
    "  نمره بيشتر از 4  دارد، در خصوص اين طرحواره بايد اطلاعات بيشتري كسب "
    "شود و احتمال اينكه اين طرحواره را داشته باشد، وجود دارد. ";
constexpr int kMistrust = 2; // MA, scale 3

constexpr std::array<std::string_view, 18> kReportOrder{
    "ED", "AB", "MA", "DS", "SI", "AI", "VU", "EU", "FA",
    "ET", "IS", "SB", "SS", "AS", "NP", "PU", "US", "EI",
};

std::string Join(std::initializer_list<std::string_view> parts) {
    std::string text;
    std::size_t size = 0;
    for (std::string_view part : parts) {
        size += part.size();
    }
    text.reserve(size);
    for (std::string_view part : parts) {
        text.append(part);
    }
    return text;
}

// The scales in the order the on-screen text discusses them: by domain, and within a
// domain in scale order (ET and IS, of domain three, so come before SB).
std::array<int, kScaleCount> ScreenOrder() {
    std::array<int, kScaleCount> order{};
    for (int s = 0; s < kScaleCount; ++s) {
        order[static_cast<std::size_t>(s)] = s;
    }
    const auto& scales = SchemaScales();
    std::stable_sort(order.begin(), order.end(), [&scales](int a, int b) {
        return scales[static_cast<std::size_t>(a)].domain < scales[static_cast<std::size_t>(b)].domain;
    });
    return order;
}

std::string CommentFor(const ScoringResult& result, int s, const ParagraphLookup& paragraph) {
    const ScaleResult& scale = result.scales[static_cast<std::size_t>(s)];
    const std::string text =
        paragraph ? paragraph(SchemaScales()[static_cast<std::size_t>(s)].code) : std::string();
    return ScaleComment(s, scale.highCount, scale.highItems, text);
}

} // namespace

std::string ScaleComment(int scaleIndex, int highCount, std::string_view highItems,
                         std::string_view paragraph) {
    if (highCount == 0) {
        return Join({kNone, kCrLf, kCrLf});
    }
    if (highCount == 1) {
        return Join({kOneLead, highItems, kClose, kReason, kCrLf, paragraph, kCrLf, kCrLf});
    }
    if (highCount > 1) {
        const std::string_view reason = scaleIndex == kMistrust ? kReasonMistrust : kReason;
        return Join({kSeveralLead, highItems, kClose, reason, kCrLf, paragraph, kCrLf, kCrLf});
    }
    return {};
}

std::string UnansweredCountLine(int totalUnanswered) {
    return Join({kCountLead, std::to_string(totalUnanswered), kCountGap, kCountTail, kCrLf});
}

std::string BuildInterpretationText(const ScoringResult& result, const ParagraphLookup& paragraph) {
    const auto& scales = SchemaScales();
    std::string text = Join({kDisclaimer, kCrLf});
    text += UnansweredCountLine(result.totalUnanswered);
    int domain = 0;
    for (const int s : ScreenOrder()) {
        const SchemaScale& scale = scales[static_cast<std::size_t>(s)];
        if (scale.domain != domain) {
            domain = scale.domain;
            text += Join({DomainHeading(domain), kCrLf});
        }
        text += Join({scale.heading, kCrLf});
        text += CommentFor(result, s, paragraph);
    }
    return text;
}

std::vector<ReportSection> BuildReportSections(const ScoringResult& result,
                                               const ParagraphLookup& paragraph) {
    std::vector<ReportSection> sections;
    sections.reserve(kReportOrder.size() + 1);
    sections.push_back({"V", TrimSpaces(UnansweredCountLine(result.totalUnanswered))});
    for (const std::string_view code : kReportOrder) {
        const int s = ScaleIndexOfCode(code);
        sections.push_back({std::string(code), TrimSpaces(CommentFor(result, s, paragraph))});
    }
    return sections;
}

std::string TrimSpaces(std::string_view text) {
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) {
        return {};
    }
    const std::size_t last = text.find_last_not_of(' ');
    return std::string(text.substr(first, last - first + 1));
}

} // namespace morvalen
