#include "core/SearchText.h"

#include "core/NumberText.h"

namespace morvalen {

namespace {

// Decodes one UTF-8 sequence at text[at]; length 0 when the bytes there are not valid.
struct Decoded {
    char32_t code = 0;
    std::size_t length = 0;
};

Decoded DecodeAt(std::string_view text, std::size_t at) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    if (lead < 0x80) {
        return {lead, 1};
    }
    std::size_t length = 0;
    char32_t code = 0;
    if ((lead & 0xE0) == 0xC0) {
        length = 2;
        code = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        code = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4;
        code = lead & 0x07;
    } else {
        return {};
    }
    if (at + length > text.size()) {
        return {};
    }
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80) {
            return {};
        }
        code = (code << 6) | (byte(at + i) & 0x3F);
    }
    static constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < kSmallest[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
        return {};
    }
    return {code, length};
}

void AppendUtf8(std::string& out, char32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

bool LeftOut(char32_t c) {
    return c < 0x20 || c == 0x7F || c == U' ' || c == 0x00A0 || c == 0x00AD // controls, blanks, soft hyphen
           || (c >= 0x2000 && c <= 0x200F) // wide blanks, ZWSP, ZWNJ, ZWJ, marks
           || (c >= 0x2028 && c <= 0x202F) // line breaks, embeddings
           || c == 0x205F || (c >= 0x2060 && c <= 0x206F) || c == 0x3000 || c == 0xFEFF //
           || c == 0x0640                                                               // tatweel
           || (c >= 0x064B && c <= 0x065F) || c == 0x0670; // short vowels, shadda
}

char32_t Folded(char32_t c) {
    if (const char digit = AsciiDigit(c)) {
        return static_cast<char32_t>(digit);
    }
    if (c >= U'A' && c <= U'Z') {
        return c + (U'a' - U'A');
    }
    if (c >= 0x00C0 && c <= 0x00DE && c != 0x00D7) {
        return c + 0x20;
    }
    switch (c) {
    case 0x06CC: // Persian yeh
    case 0x0649: // alef maksura
        return 0x064A;
    case 0x06A9: // Persian kaf
        return 0x0643;
    case 0x0622: // alef with madda
    case 0x0623: // alef with hamza above
    case 0x0625: // alef with hamza below
    case 0x0671: // alef wasla
        return 0x0627;
    default:
        return c;
    }
}

} // namespace

std::string SearchText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        const Decoded d = DecodeAt(text, at);
        if (d.length == 0) {
            out += text[at];
            ++at;
            continue;
        }
        at += d.length;
        if (!LeftOut(d.code)) {
            AppendUtf8(out, Folded(d.code));
        }
    }
    return out;
}

std::size_t CharacterCount(std::string_view text) {
    std::size_t count = 0;
    for (const char c : text) {
        count += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }
    return count;
}

} // namespace morvalen
