#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace morvalen {

// Gives the code for a new examinee: one more than the code of the examinee stored last,
// then counted up for as long as that code is already in use. An empty table (no last
// code) starts at "1". A last code that is not a whole number counts as 0, so the damaged
// value cannot stop registration. Codes of deleted examinees are handed out again.
std::string AssignExamineeCode(const std::optional<std::string>& lastCode,
                               const std::function<bool(const std::string&)>& codeInUse);

} // namespace morvalen
