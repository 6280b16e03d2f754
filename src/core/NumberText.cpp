#include "core/NumberText.h"

#include <cctype>
#include <charconv>
#include <string>

namespace morvalen {

double LeadingNumber(std::string_view text) {
    std::size_t pos = 0;
    while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t')) {
        ++pos;
    }
    // Take at most a sign, digits, one point and digits; no exponent, so "1e5" reads as 1.
    std::size_t end = pos;
    if (end < text.size() && (text[end] == '+' || text[end] == '-')) {
        ++end;
    }
    bool sawDigit = false;
    bool sawPoint = false;
    for (; end < text.size(); ++end) {
        const char c = text[end];
        if (std::isdigit(static_cast<unsigned char>(c))) {
            sawDigit = true;
        } else if (c == '.' && !sawPoint) {
            sawPoint = true;
        } else {
            break;
        }
    }
    if (!sawDigit) {
        return 0.0;
    }
    std::string number(text.substr(pos, end - pos));
    if (number.front() == '+') {
        number.erase(0, 1);
    }
    double value = 0.0;
    const auto [ptr, ec] = std::from_chars(number.data(), number.data() + number.size(), value);
    (void)ptr;
    return ec == std::errc{} ? value : 0.0;
}

char AsciiDigit(char32_t typed) {
    if (typed >= U'0' && typed <= U'9') {
        return static_cast<char>(typed);
    }
    if (typed >= 0x06F0 && typed <= 0x06F9) {
        return static_cast<char>('0' + (typed - 0x06F0));
    }
    if (typed >= 0x0660 && typed <= 0x0669) {
        return static_cast<char>('0' + (typed - 0x0660));
    }
    return 0;
}

} // namespace morvalen
