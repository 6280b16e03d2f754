#pragma once

// The answers the journal-mode benchmark stores, shared with the child it kills: the n-th
// commit (from 1) writes item JournalItem(n) of examinee "1". The items go round in order and
// each round writes the next value, so every commit changes the stored value.
#include "store/AnswerStore.h"

namespace morvalen {

inline int JournalItem(long long n) {
    return static_cast<int>((n - 1) % kItemCount) + 1;
}

inline int JournalValue(long long n) {
    return static_cast<int>(((n - 1) / kItemCount) % 6) + 1;
}

} // namespace morvalen
