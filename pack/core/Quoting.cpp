#include "Quoting.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

namespace pack {
namespace {

std::string unicodeEscape(char32_t c) {
    char text[8];
    std::snprintf(text, sizeof(text), "\\u%04X", static_cast<unsigned>(c));
    return text;
}

// The code point that starts at i in valid UTF-8 (as toUtf8 makes it), and its length.
std::pair<char32_t, size_t> codePointAt(std::string_view text, size_t i) {
    const auto byte = [&](size_t k) { return static_cast<uint8_t>(text[i + k]); };
    if (byte(0) < 0x80 || i + 1 >= text.size()) {
        return {byte(0), 1};
    }
    if (byte(0) < 0xE0) {
        return {char32_t(byte(0) & 0x1F) << 6 | (byte(1) & 0x3F), 2};
    }
    if (byte(0) < 0xF0 && i + 2 < text.size()) {
        return {char32_t(byte(0) & 0x0F) << 12 | char32_t(byte(1) & 0x3F) << 6 | (byte(2) & 0x3F), 3};
    }
    return {0x10000, std::min<size_t>(4, text.size() - i)};  // beyond the planes that need escapes
}

bool yamlEscapes(char32_t c) {
    return (c >= 0x7F && c <= 0x9F) || c == 0x2028 || c == 0x2029 || c == 0xFFFE || c == 0xFFFF;
}

std::string quoted(std::string_view text, bool yaml) {
    std::string out = "\"";
    for (size_t i = 0; i < text.size();) {
        const auto [c, length] = codePointAt(text, i);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || (yaml && yamlEscapes(c))) {
            out += unicodeEscape(c);
        } else {
            out.append(text.substr(i, length));
        }
        i += length;
    }
    return out + "\"";
}

bool isPlainWordCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '-' ||
           c == '_';
}

} // namespace

std::string jsonQuoted(std::string_view utf8) { return quoted(utf8, false); }

std::string yamlQuoted(std::string_view utf8) { return quoted(utf8, true); }

std::string commandWord(std::string_view name) {
    if (!name.empty() && std::all_of(name.begin(), name.end(), isPlainWordCharacter)) {
        return std::string(name);
    }
    std::string word = "\"";
    word.append(name);
    word += '"';
    return word;
}

} // namespace pack
