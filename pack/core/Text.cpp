#include "Text.h"

#include <cstdint>
#include <cstdio>

namespace pack {
namespace {

constexpr char32_t replacement = 0xFFFD;

bool isSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDFFF; }

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | c >> 6);
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | c >> 12);
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | c >> 18);
        out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

void appendUtf16(std::u16string& out, char32_t c) {
    if (c < 0x10000) {
        out += static_cast<char16_t>(c);
    } else {
        out += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
        out += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
    }
}

// The code point at i, moving i past it; a lone surrogate is returned as itself.
char32_t nextCodePoint(std::u16string_view text, size_t& i) {
    const char32_t c = text[i++];
    if (c >= 0xD800 && c <= 0xDBFF && i < text.size() && text[i] >= 0xDC00 && text[i] <= 0xDFFF) {
        return 0x10000 + ((c - 0xD800) << 10) + (text[i++] - 0xDC00);
    }
    return c;
}

// The code point at i, moving i past it; the shortest form only, no surrogates.
char32_t nextCodePoint(std::string_view text, size_t& i) {
    const auto lead = static_cast<uint8_t>(text[i++]);
    if (lead < 0x80) {
        return lead;
    }
    const int length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
    if (length == 0 || lead > 0xF4) {
        return replacement;
    }
    char32_t c = lead & (0x3F >> (length - 1));
    for (int k = 1; k < length; ++k) {
        if (i == text.size() || (static_cast<uint8_t>(text[i]) & 0xC0) != 0x80) {
            return replacement;
        }
        c = c << 6 | (static_cast<uint8_t>(text[i++]) & 0x3F);
    }
    constexpr char32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
    return c < smallest[length] || c > 0x10FFFF || isSurrogate(c) ? replacement : c;
}

bool needsEscape(char32_t c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x2028 || c == 0x2029 || (c >= 0x202A && c <= 0x202E) ||
           (c >= 0x2066 && c <= 0x2069) || c == 0x200E || c == 0x200F || isSurrogate(c);
}

} // namespace

std::u16string toUtf16(std::string_view utf8) {
    std::u16string out;
    for (size_t i = 0; i < utf8.size();) {
        appendUtf16(out, nextCodePoint(utf8, i));
    }
    return out;
}

std::string toUtf8(std::u16string_view utf16) {
    std::string out;
    for (size_t i = 0; i < utf16.size();) {
        const char32_t c = nextCodePoint(utf16, i);
        appendUtf8(out, isSurrogate(c) ? replacement : c);
    }
    return out;
}

std::u32string codePoints(std::string_view utf8) {
    std::u32string out;
    for (size_t i = 0; i < utf8.size();) {
        out += nextCodePoint(utf8, i);
    }
    return out;
}

std::string toUtf8(std::u32string_view codePoints) {
    std::string out;
    for (const char32_t c : codePoints) {
        appendUtf8(out, c);
    }
    return out;
}

std::string shown(std::u16string_view text) {
    std::string out;
    for (size_t i = 0; i < text.size();) {
        const char32_t c = nextCodePoint(text, i);
        if (needsEscape(c)) {
            char escape[8];
            std::snprintf(escape, sizeof(escape), c < 0x100 ? "\\x%02X" : "\\u%04X", static_cast<unsigned>(c));
            out += escape;
        } else {
            appendUtf8(out, c);
        }
    }
    return out;
}

std::u16string asciiUpper(std::u16string_view text) {
    std::u16string out(text);
    for (char16_t& c : out) {
        if (c >= u'a' && c <= u'z') {
            c = static_cast<char16_t>(c - u'a' + u'A');
        }
    }
    return out;
}

} // namespace pack
