#pragma once

#include "core/Scoring.h"

#include <string>
#include <vector>

namespace morvalen {

// A paper sheet typed twice, the second time without seeing the first: where the two
// typings differ, and how often they agree.
struct EntryComparison {
    int compared = 0;             // items answered in at least one of the two typings
    std::vector<int> differences; // the items, 1 to 232, whose two typings differ
};

// Compares the first typing (the answer row) with the second, item by item. An item left
// empty in both typings is a blank on the paper and is not counted as compared.
EntryComparison CompareEntries(const AnswerTexts& first, const AnswerTexts& second);

// The share of compared items on which both typings agreed, in percent; 100 when nothing
// was compared.
double AgreementPercent(int compared, int differences);

// The same as text with one decimal, "98.7"; whole numbers without one, "100".
std::string AgreementText(int compared, int differences);

// Where a sheet stands: typed once, typed twice with differences still open (or not yet
// compared), or typed twice with both typings agreeing everywhere.
enum class Verification { SingleEntry, Unsettled, Verified };

// A second typing that has been compared is verified while both typings agree on every item:
// a later change to either opens the sheet again.
Verification VerificationOf(bool hasSecondEntry, bool compared, const AnswerTexts& first,
                            const AnswerTexts& second);

} // namespace morvalen
