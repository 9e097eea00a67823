#include "Quoting.h"

#include <algorithm>
#include <cstdio>

#include "Text.h"

namespace pack {
namespace {

std::string unicodeEscape(char32_t c) {
    char text[8];
    std::snprintf(text, sizeof(text), "\\u%04X", static_cast<unsigned>(c));
    return text;
}

bool yamlEscapes(char32_t c) {
    return (c >= 0x7F && c <= 0x9F) || c == 0x2028 || c == 0x2029 || c == 0xFFFE || c == 0xFFFF;
}

std::string quoted(std::string_view text, bool yaml) {
    std::string out = "\"";
    // Decoded, so that no byte of a malformed sequence can end the string early.
    for (const char32_t c : codePoints(text)) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || (yaml && yamlEscapes(c))) {
            out += unicodeEscape(c);
        } else {
            out += toUtf8(std::u32string_view(&c, 1));
        }
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
