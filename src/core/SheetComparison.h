#pragma once

#include <string>

namespace morvalen {

// The most answer sheets of one examinee the profile draws over one another.
constexpr int kMostComparedSheets = 4;

// The change of a percentage from the first sheet compared to the last, signed: "+12", "-8",
// "0".
std::string ChangeText(int first, int last);

} // namespace morvalen
