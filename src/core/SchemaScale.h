#pragma once

#include <array>
#include <string_view>

namespace morvalen {

inline constexpr int kItemCount = 232;
inline constexpr int kScaleCount = 18;

// One schema scale of the scoring key. Each scale owns one contiguous block of items; the
// blocks follow one another and cover items 1 to 232 exactly once.
struct SchemaScale {
    int number;               // 1 to 18, the order used everywhere
    std::string_view code;    // "ED", "AB", ...
    int firstItem;            // first item of the block
    int lastItem;             // last item of the block
    int n;                    // items in the block
    int maximum;              // 6 x n, the highest raw score
    std::string_view caption; // the scale's name in the results view
    int domain;               // 1 to 4, the heading it is discussed under
    std::string_view heading; // its heading in the on-screen interpretation
};

// The 18 scales in scale order.
const std::array<SchemaScale, kScaleCount>& SchemaScales();

// The heading text of domain 1 to 4; empty for any other number.
std::string_view DomainHeading(int domain);

// The index (0 to 17) of the scale whose block holds the item, or -1 outside 1 to 232.
int ScaleIndexOfItem(int item);

// The index of the scale with this code, or -1.
int ScaleIndexOfCode(std::string_view code);

} // namespace morvalen
