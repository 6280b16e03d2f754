#include "core/DoubleEntry.h"

#include <cmath>
#include <cstdio>

namespace morvalen {

EntryComparison CompareEntries(const AnswerTexts& first, const AnswerTexts& second) {
    EntryComparison result;
    for (int i = 0; i < kItemCount; ++i) {
        if (first[i].empty() && second[i].empty()) {
            continue;
        }
        ++result.compared;
        if (first[i] != second[i]) {
            result.differences.push_back(i + 1);
        }
    }
    return result;
}

double AgreementPercent(int compared, int differences) {
    if (compared <= 0) {
        return 100.0;
    }
    return 100.0 * (compared - differences) / compared;
}

std::string AgreementText(int compared, int differences) {
    // Rounded down to the tenth, so a sheet with one difference never reads "100".
    const double tenths = std::floor(AgreementPercent(compared, differences) * 10.0 + 1e-9);
    char text[16];
    if (std::fmod(tenths, 10.0) == 0.0) {
        std::snprintf(text, sizeof text, "%.0f", tenths / 10.0);
    } else {
        std::snprintf(text, sizeof text, "%.1f", tenths / 10.0);
    }
    return text;
}

Verification VerificationOf(bool hasSecondEntry, bool compared, const AnswerTexts& first,
                            const AnswerTexts& second) {
    if (!hasSecondEntry) {
        return Verification::SingleEntry;
    }
    if (!compared || first != second) {
        return Verification::Unsettled;
    }
    return Verification::Verified;
}

} // namespace morvalen
