#include "core/SearchText.h"

#include <gtest/gtest.h>

namespace morvalen {
namespace {

// What a user types and a stored text it must (or must not) find.
TEST(SearchText, TypedTextFindsWhatAUserExpects) {
    const struct {
        const char* typed;
        const char* stored;
        bool found;
    } cases[] = {
        {"رضایی", "علي رضايي", true},       // Persian yeh typed, Arabic yeh stored
        {"رضايي", "علی رضایی", true},       // and the other way round
        {"موسى", "موسي", true},             // alef maksura
        {"کریمی", "كريمي", true},           // Persian kaf and yeh typed
        {"كاوه", "کاوه", true},             // Arabic kaf typed
        {"میرزایی", "مي\u200Cرزايي", true}, // ZWNJ in the stored name
        {"می\u200Cرود", "ميرود", true},     // ZWNJ in the typed text
        {"علی رضا", "عليرضا", true},        // a blank typed, none stored
        {"علیرضا", "علي  \t رضا", true},    // blanks and a tab stored
        {"  رضا  ", "رضا", true},           // blanks around the typed text
        {"علی\u00A0رضا", "علي رضا", true},  // no-break space
        {"۰۹۱۲", "09123456789", true},      // Persian digits typed
        {"٤٥٦", "0912456", true},           // Arabic-Indic digits typed
        {"0912", "۰۹۱۲۳۴۵", true},          // ASCII digits typed, Persian stored
        {"SMITH", "John Smith", true},      // Latin case
        {"john", "JOHN SMITH", true},       //
        {"ÉLISE", "élise", true},           // Latin-1 capitals
        {"ارش", "آرش", true},               // madda left out when typed
        {"احمد", "أحمد", true},             // hamza on alef
        {"محمد", "مُحَمَّد", true},             // short vowels and shadda stored
        {"مهدي", "مهـــدي", true},          // tatweel stored
        {"\u200Fرضا", "رضا", true},         // an invisible direction mark typed
        {"رضا", "زهرا", false},             // a different name
        {"كريمي", "كريم", false},           // longer than the stored name
        {"1\u001F2", "12", true},           // a typed field separator is left out
        {"۱۲", "21", false},                // digits keep their order
        {"ب", "پ", false},                  // distinct letters stay distinct
        {"ه", "ة", false},                  //
    };
    for (const auto& c : cases) {
        const std::string typed = SearchText(c.typed);
        const std::string stored = SearchText(c.stored);
        EXPECT_EQ(stored.find(typed) != std::string::npos, c.found)
            << '"' << c.typed << "\" in \"" << c.stored << "\": \"" << typed << "\" in \"" << stored << '"';
    }
}

TEST(SearchText, GivesOneFormForEachSpelling) {
    const struct {
        const char* text;
        const char* expected;
    } cases[] = {
        {"", ""},
        {"   ", ""},
        {"علی کریمی", "عليكريمي"},
        {"Ab ۱۲ ٣", "ab123"},
        {"a\u200Cb\u200Dc\uFEFFd", "abcd"},
        // Bytes that are not UTF-8 stay as they are, and the valid text around them is folded.
        {"A\xff"
         "B",
         "a\xff"
         "b"},
        {"\xd9", "\xd9"},
        {"\xe2\x80", "\xe2\x80"},
        {"\xc0\xafX", "\xc0\xafx"}, // an over-long form is not a character
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SearchText(c.text), c.expected) << '"' << c.text << '"';
    }
}

TEST(SearchText, CountsCharactersNotBytes) {
    EXPECT_EQ(CharacterCount(""), 0u);
    EXPECT_EQ(CharacterCount("ab"), 2u);
    EXPECT_EQ(CharacterCount("رض"), 2u);
    EXPECT_EQ(CharacterCount("رضا1"), 4u);
}

} // namespace
} // namespace morvalen
