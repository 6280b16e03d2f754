#include "core/Scoring.h"

#include "core/NumberText.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

namespace morvalen {

namespace {

void AppendNumber(std::string& text, int number) {
    char digits[12];
    int length = 0;
    do {
        digits[length++] = static_cast<char>('0' + number % 10);
        number /= 10;
    } while (number > 0);
    while (length > 0) {
        text.push_back(digits[--length]);
    }
}

// "1," to "232,": the entries of a high-item list, made once.
struct ItemTexts {
    std::array<std::array<char, 4>, kItemCount + 1> text{};
    std::array<unsigned char, kItemCount + 1> length{};
    ItemTexts() {
        for (int item = 1; item <= kItemCount; ++item) {
            std::string entry;
            AppendNumber(entry, item);
            entry.push_back(',');
            length[static_cast<std::size_t>(item)] = static_cast<unsigned char>(entry.size());
            std::copy(entry.begin(), entry.end(), text[static_cast<std::size_t>(item)].begin());
        }
    }
};

const ItemTexts kItemTexts;

void AppendItem(std::string& list, int item) {
    const auto i = static_cast<std::size_t>(item);
    list.append(kItemTexts.text[i].data(), kItemTexts.length[i]);
}

// Raw sums are kept in 16 bits; an imported workbook with absurd values must not wrap
// round into a plausible-looking score.
int ClampToShort(double sum) {
    if (sum > std::numeric_limits<std::int16_t>::max()) {
        return std::numeric_limits<std::int16_t>::max();
    }
    if (sum < std::numeric_limits<std::int16_t>::min()) {
        return std::numeric_limits<std::int16_t>::min();
    }
    return static_cast<int>(sum);
}

} // namespace

double AnswerValue(std::string_view text) {
    // Nearly every cell is empty or one digit; only imported text needs the full reading.
    if (text.empty()) {
        return 0.0;
    }
    if (text.size() == 1 && text[0] >= '0' && text[0] <= '9') {
        return text[0] - '0';
    }
    return LeadingNumber(text);
}

namespace {

void ResetCensus(ScaleResult& scale) {
    scale.unansweredCount = 0;
    scale.highCount = 0;
    scale.highItems.clear();
}

// The census of one answered cell. A cell that holds text other than a number (only a
// workbook import can put one there) reads as 0: it is neither high nor unanswered, and
// the census goes on.
void CountAnswered(ScaleResult& scale, int item, double value) {
    if (value > 4) {
        ++scale.highCount;
        AppendItem(scale.highItems, item);
    }
}

} // namespace

void BuildHighRatedLists(const AnswerTexts& answers, ScoringResult& result) {
    const auto& scales = SchemaScales();
    for (std::size_t s = 0; s < scales.size(); ++s) {
        ScaleResult& scale = result.scales[s];
        ResetCensus(scale);
        for (int item = scales[s].firstItem; item <= scales[s].lastItem; ++item) {
            const std::string& text = answers[static_cast<std::size_t>(item - 1)];
            if (text.empty()) {
                ++scale.unansweredCount;
            } else {
                CountAnswered(scale, item, AnswerValue(text));
            }
        }
    }
}

void ComputePercentages(ScoringResult& result) {
    const auto& scales = SchemaScales();
    for (std::size_t s = 0; s < scales.size(); ++s) {
        const double q = result.scales[s].rawScore * 100.0 / scales[s].maximum;
        // nearbyint rounds in the default mode, to nearest with ties to even.
        result.scales[s].percent = static_cast<int>(std::nearbyint(q));
    }
}

void ScoreAnswers(const AnswerTexts& answers, ScoringResult& result) {
    // One pass over the cells gives the raw sums, the census and the unanswered list
    // together; the census is the same rule as BuildHighRatedLists.
    const auto& scales = SchemaScales();
    result.totalUnanswered = 0;
    result.unansweredList.clear();
    for (std::size_t s = 0; s < scales.size(); ++s) {
        ScaleResult& scale = result.scales[s];
        ResetCensus(scale);
        double sum = 0.0;
        for (int item = scales[s].firstItem; item <= scales[s].lastItem; ++item) {
            const std::string& text = answers[static_cast<std::size_t>(item - 1)];
            if (text.empty()) {
                ++scale.unansweredCount;
                AppendNumber(result.unansweredList, item);
                result.unansweredList.append("  ");
                continue;
            }
            const double value = AnswerValue(text);
            sum += value;
            if (value > 4) {
                CountAnswered(scale, item, value);
            }
        }
        scale.rawScore = ClampToShort(sum);
        result.totalUnanswered += scale.unansweredCount;
    }
    ComputePercentages(result);
}

ScoringResult ScoreAnswers(const AnswerTexts& answers) {
    ScoringResult result;
    ScoreAnswers(answers, result);
    return result;
}

} // namespace morvalen
