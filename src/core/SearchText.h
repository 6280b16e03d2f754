#pragma once

#include <string>
#include <string_view>

namespace morvalen {

// The form in which a searched text and the texts searched in are compared, so that what
// a user types finds what a user expects (UTF-8 in and out):
// - the two spellings of yeh (ي ی ى) and of kaf (ك ک) become one, and the hamza and madda
//   forms of alef become plain alef;
// - Persian and Arabic-Indic digits become ASCII digits;
// - Latin capitals become small letters;
// - blanks of every kind, the zero-width non-joiner and other invisible marks, control
//   characters, short vowel marks and the tatweel are left out.
// Bytes that are not valid UTF-8 are kept as they are.
std::string SearchText(std::string_view text);

// The number of characters (code points) of a UTF-8 text.
std::size_t CharacterCount(std::string_view text);

} // namespace morvalen
