#pragma once

#include <string_view>

namespace morvalen {

// Reads the number at the start of a text as the update check does: blanks, tabs and line
// feeds are skipped wherever they stand; then a sign, digits with at most one decimal point
// and an exponent (E or D); or "&H" / "&O" with a hexadecimal or octal whole number. Reading
// stops at any other character (a carriage return too); no digits give 0, so an error page
// reads as 0.
double ReadVersionNumber(std::string_view text);

// The program's own version as one number: major and minor joined ("4.3" is 43, "4.10" 410).
double OwnVersionNumber(int major, int minor);

// Whether the server's number is strictly greater than the program's own.
bool IsNewerVersion(double server, double own);

} // namespace morvalen
