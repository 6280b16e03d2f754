#include "core/VersionNumber.h"

#include <cctype>
#include <cmath>
#include <string>

namespace morvalen {

namespace {

bool Skipped(char c) {
    return c == ' ' || c == '\t' || c == '\n';
}

// The characters of the text without the skipped ones, up to the first character that
// cannot be part of a number.
std::string Compact(std::string_view text) {
    std::string out;
    for (const char c : text) {
        if (!Skipped(c)) {
            out.push_back(c);
        }
    }
    return out;
}

double ReadRadix(const std::string& s, std::size_t pos, int radix) {
    double value = 0;
    for (; pos < s.size(); ++pos) {
        const char c = static_cast<char>(std::toupper(static_cast<unsigned char>(s[pos])));
        int digit = -1;
        if (c >= '0' && c <= '9') {
            digit = c - '0';
        } else if (radix == 16 && c >= 'A' && c <= 'F') {
            digit = c - 'A' + 10;
        }
        if (digit < 0 || digit >= radix) {
            break;
        }
        value = value * radix + digit;
    }
    return value;
}

} // namespace

double ReadVersionNumber(std::string_view text) {
    const std::string s = Compact(text);
    if (s.size() >= 2 && s[0] == '&') {
        const char kind = static_cast<char>(std::toupper(static_cast<unsigned char>(s[1])));
        if (kind == 'H') {
            return ReadRadix(s, 2, 16);
        }
        if (kind == 'O') {
            return ReadRadix(s, 2, 8);
        }
        return 0;
    }
    std::size_t pos = 0;
    double sign = 1;
    if (pos < s.size() && (s[pos] == '+' || s[pos] == '-')) {
        sign = s[pos] == '-' ? -1 : 1;
        ++pos;
    }
    double mantissa = 0;
    double scale = 1;
    bool digits = false;
    bool point = false;
    for (; pos < s.size(); ++pos) {
        const char c = s[pos];
        if (c >= '0' && c <= '9') {
            digits = true;
            if (point) {
                scale /= 10;
                mantissa += (c - '0') * scale;
            } else {
                mantissa = mantissa * 10 + (c - '0');
            }
        } else if (c == '.' && !point) {
            point = true;
        } else {
            break;
        }
    }
    if (!digits) {
        return 0;
    }
    if (pos < s.size() && (s[pos] == 'E' || s[pos] == 'e' || s[pos] == 'D' || s[pos] == 'd')) {
        std::size_t e = pos + 1;
        double expSign = 1;
        if (e < s.size() && (s[e] == '+' || s[e] == '-')) {
            expSign = s[e] == '-' ? -1 : 1;
            ++e;
        }
        int exponent = 0;
        bool expDigits = false;
        for (; e < s.size() && s[e] >= '0' && s[e] <= '9'; ++e) {
            expDigits = true;
            exponent = exponent < 10000 ? exponent * 10 + (s[e] - '0') : exponent;
        }
        if (expDigits) {
            mantissa *= std::pow(10.0, expSign * exponent);
        }
    }
    return sign * mantissa;
}

double OwnVersionNumber(int major, int minor) {
    return ReadVersionNumber(std::to_string(major) + std::to_string(minor));
}

bool IsNewerVersion(double server, double own) {
    return server > own;
}

} // namespace morvalen
