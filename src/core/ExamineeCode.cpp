#include "core/ExamineeCode.h"

#include "core/NumberText.h"

#include <cmath>
#include <cstdint>
#include <limits>

namespace morvalen {

namespace {

std::uint64_t WholePart(const std::optional<std::string>& code) {
    if (!code) {
        return 0;
    }
    const double value = LeadingNumber(*code);
    // Codes are positive whole numbers; anything else (negative, huge, fractional part) is
    // clamped so the count below stays in range.
    if (!(value > 0.0)) {
        return 0;
    }
    if (value >= 9.0e15) {
        return 9'000'000'000'000'000ULL;
    }
    return static_cast<std::uint64_t>(std::floor(value));
}

} // namespace

std::string AssignExamineeCode(const std::optional<std::string>& lastCode,
                               const std::function<bool(const std::string&)>& codeInUse) {
    std::uint64_t next = WholePart(lastCode) + 1;
    std::string text = std::to_string(next);
    while (codeInUse && codeInUse(text)) {
        ++next;
        text = std::to_string(next);
    }
    return text;
}

} // namespace morvalen
