#pragma once

#include <string_view>

namespace morvalen {

// The numeric value of a text as the program reads stored values: the leading decimal
// number after any blanks ("12abc" is 12, " 5" is 5, "2.5x" is 2.5), and 0 when the text
// does not begin with a number (the empty text included). Stored answers, theme numbers
// and codes are all read this way.
double LeadingNumber(std::string_view text);

} // namespace morvalen
