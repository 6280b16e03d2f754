#include "core/SchemaScale.h"

namespace morvalen {

namespace {

constexpr std::array<SchemaScale, kScaleCount> kScales{{
    {1, "ED", 1, 9, 9, 54, "ed / محروميت هيجاني ", 1, "طرحواره ي محروميت هيجاني ED: "},
    {2, "AB", 10, 26, 17, 102, "ab / رهاشدگي / بي ثباتي", 1, "طرحواره ي رهاشدگي/ بي ثباتي AB:"},
    {3, "MA", 27, 43, 17, 102, "ma / بي اعتمادي - بد رفتاري", 1, "طرحواره ي بي اعتمادي/ بدرفتاري MA:  "},
    {4, "SI", 44, 53, 10, 60, "si / انزواي اجتماعي - بيگانگي", 1, "طرحواره ي انزواي اجتماعي/ بيگانگيSI:  "},
    {5, "DS", 54, 68, 15, 90, "ds / نقص - شرم", 1, "طرحواره ي نقص/ شرم DS: "},
    {6, "FA", 69, 77, 9, 54, "fa / شکست", 2, "طرحواره ي شکست FA: "},
    {7, "AI", 78, 92, 15, 90, "ai / وابستگي - بي کفايتي", 2, "طرحواره ي وابستگي / بي کفايتي AI: "},
    {8, "VU", 93, 104, 12, 72, "vu/ آسيب پذيري نسبت به ضرر و بيماري", 2,
     "طرحواره ي آسيب پذيري نسبت به بيماري يا ضرر VU: "},
    {9, "EU", 105, 115, 11, 66, "eu / گرفتار - خويشتن تحول نيافته", 2,
     "طرحواره ي گرفتار / خويشتن تحول نيافته EU: "},
    {10, "SB", 116, 125, 10, 60, "sb / اطاعت", 4, "طرحواره ي اطاعت SB:"},
    {11, "SS", 126, 142, 17, 102, "ss / ايثارگري", 4, "طرحواره ي ايثارگري  SS:"},
    {12, "EI", 143, 151, 9, 54, "ei / بازداري هيجاني", 4, "طرحواره ي بازداري هيجاني EI: "},
    {13, "US", 152, 167, 16, 96, "us / معيارهاي سخت گيرانه", 4,
     "طرحواره ي معيار هاي سخت گيرانه / انتقاد جويي  US:"},
    {14, "ET", 168, 178, 11, 66, "et / استحقاق - بزرگ منشي", 3, "طرحواره ي استحقاق / بزرگمنشي ET: "},
    {15, "IS", 179, 193, 15, 90, "is / خويشتن داري - خودانضباطي ناکافي", 3,
     "طرحواره ي خويشتنداري / خود انضباطي ناکافي IS: "},
    {16, "AS", 194, 207, 14, 84, "as /پذيرش جويي - جلب توجه", 4, "طرحواره ي پذيرش جويي / جلب توجه  AS:"},
    {17, "NP", 208, 218, 11, 66, "np / منفي گرايي - بدبيني", 4, "طرحواره ي منفي گرايي/ بدبيني  NP:"},
    {18, "PU", 219, 232, 14, 84, "pu / تنبيه", 4, "طرحواره ي تنبيه  PU:"},
}};

constexpr std::array<std::string_view, 4> kDomainHeadings{
    "حيطه ي يک: بريدگي و طرد ",
    "  حيطه ي دو، خودگرداني و عملکرد مختل: ",
    "حيطه ي سه: محدوديت هاي مختل: ",
    "حيطه ي چهارم: ديگر- جهت مندي ",
};

// The item-to-scale map, made once from the blocks above so no other place restates them.
constexpr std::array<signed char, kItemCount + 1> MakeItemMap() {
    std::array<signed char, kItemCount + 1> map{};
    map[0] = -1;
    for (int s = 0; s < kScaleCount; ++s) {
        for (int item = kScales[s].firstItem; item <= kScales[s].lastItem; ++item) {
            map[item] = static_cast<signed char>(s);
        }
    }
    return map;
}

constexpr auto kItemMap = MakeItemMap();

constexpr bool BlocksAreSound() {
    int next = 1;
    for (const SchemaScale& s : kScales) {
        if (s.firstItem != next || s.lastItem - s.firstItem + 1 != s.n || s.maximum != 6 * s.n) {
            return false;
        }
        next = s.lastItem + 1;
    }
    return next == kItemCount + 1;
}
static_assert(BlocksAreSound(), "the item blocks must follow one another and cover every item once");

} // namespace

const std::array<SchemaScale, kScaleCount>& SchemaScales() {
    return kScales;
}

std::string_view DomainHeading(int domain) {
    return domain >= 1 && domain <= 4 ? kDomainHeadings[static_cast<std::size_t>(domain - 1)]
                                      : std::string_view();
}

int ScaleIndexOfItem(int item) {
    return item >= 1 && item <= kItemCount ? kItemMap[static_cast<std::size_t>(item)] : -1;
}

int ScaleIndexOfCode(std::string_view code) {
    for (int s = 0; s < kScaleCount; ++s) {
        if (kScales[s].code == code) {
            return s;
        }
    }
    return -1;
}

} // namespace morvalen
