#pragma once

#include <string_view>

namespace morvalen {

// The numeric value of a text as the program reads stored values: the leading decimal
// number after any blanks ("12abc" is 12, " 5" is 5, "2.5x" is 2.5), and 0 when the text
// does not begin with a number (the empty text included). Stored answers, theme numbers
// and codes are all read this way.
double LeadingNumber(std::string_view text);

// The ASCII digit a typed character stands for: '0' to '9' themselves, the Persian digits
// U+06F0 to U+06F9 (the Persian keyboard's number row) and the Arabic-Indic digits U+0660 to
// U+0669; 0 for any other character. Digits are always stored as ASCII.
char AsciiDigit(char32_t typed);

} // namespace morvalen
