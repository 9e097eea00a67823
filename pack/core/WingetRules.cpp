#include "WingetRules.h"

#include <algorithm>
#include <vector>

#include "Text.h"

namespace pack {
namespace {

bool isControl(char32_t c) { return c < 0x20 || c == 0x7F; }

// What a regular expression's \s matches.
bool isBlank(char32_t c) {
    constexpr char32_t blanks[] = {0x20, 0x85, 0xA0, 0x1680, 0x2028, 0x2029, 0x202F, 0x205F, 0x3000, 0xFEFF};
    return (c >= 0x09 && c <= 0x0D) || (c >= 0x2000 && c <= 0x200A) ||
           std::find(std::begin(blanks), std::end(blanks), c) != std::end(blanks);
}

bool isForbidden(char32_t c) { return isControl(c) || std::u32string_view(U"\\/:*?\"<>|").find(c) != std::u32string_view::npos; }

bool isAsciiLetter(char32_t c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

bool allLetters(std::u32string_view part, size_t min, size_t max) {
    return part.size() >= min && part.size() <= max && std::all_of(part.begin(), part.end(), isAsciiLetter);
}

std::vector<std::u32string_view> split(std::u32string_view text, char32_t separator) {
    std::vector<std::u32string_view> parts;
    for (size_t start = 0;;) {
        const size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end - start));
        if (end == std::u32string_view::npos) {
            return parts;
        }
        start = end + 1;
    }
}

// The first part: a language of 2 or 3 letters, or i- or x- and a private name.
bool isLanguage(std::u32string_view first, std::u32string_view second, bool hasSecond) {
    return allLetters(first, 2, 3) || (hasSecond && (first == U"i" || first == U"I") && allLetters(second, 1, 1000)) ||
           (hasSecond && (first == U"x" || first == U"X") && allLetters(second, 1, 8));
}

} // namespace

std::optional<std::string> packageIdentifierFault(std::string_view utf8) {
    const std::u32string text = codePoints(utf8);
    const std::vector<std::u32string_view> parts = split(text, U'.');
    if (text.size() > 128 || parts.size() < 2 || parts.size() > 8) {
        return "2 to 8 parts separated by dots, at most 128 characters in all";
    }
    for (const std::u32string_view part : parts) {
        if (part.empty() || part.size() > 32) {
            return "each part 1 to 32 characters";
        }
        if (std::any_of(part.begin(), part.end(), [](char32_t c) { return isBlank(c) || isForbidden(c); })) {
            return "no blanks, control characters or any of \\/:*?\"<>|";
        }
    }
    return std::nullopt;
}

std::optional<std::string> installerUrlFault(std::string_view utf8) {
    const std::u32string text = codePoints(utf8);
    std::u32string scheme = text.substr(0, text.find(U':'));
    std::transform(scheme.begin(), scheme.end(), scheme.begin(), [](char32_t c) { return c | 0x20; });
    const std::u32string_view rest = std::u32string_view(text).substr(std::min(text.size(), scheme.size() + 3));
    if ((scheme != U"http" && scheme != U"https") || text.compare(scheme.size(), 3, U"://") != 0 || rest.empty()) {
        return "an http:// or https:// address";
    }
    if (text.size() > 2048 || std::any_of(text.begin(), text.end(), [](char32_t c) { return isBlank(c) || isControl(c); })) {
        return "at most 2048 characters, no blanks or control characters";
    }
    return std::nullopt;
}

std::optional<std::string> packageLocaleFault(std::string_view utf8) {
    const std::u32string text = codePoints(utf8);
    const std::vector<std::u32string_view> parts = split(text, U'-');
    const bool prefixed = parts.size() > 1 && parts[0].size() == 1;
    const bool rest = std::all_of(parts.begin() + (prefixed ? 2 : 1), parts.end(),
                                  [](std::u32string_view part) { return allLetters(part, 1, 8); });
    if (text.size() > 20 || !isLanguage(parts[0], parts.size() > 1 ? parts[1] : U"", parts.size() > 1) || !rest) {
        return "a language tag such as en-US, at most 20 characters";
    }
    return std::nullopt;
}

std::optional<std::string> packageVersionFault(std::string_view utf8) {
    const std::u32string text = codePoints(utf8);
    if (text.empty() || text.size() > 128 || std::any_of(text.begin(), text.end(), isForbidden)) {
        return "1 to 128 characters, no control characters or any of \\/:*?\"<>|";
    }
    return std::nullopt;
}

std::optional<std::string> lengthFault(std::string_view utf8, size_t min, size_t max) {
    const size_t length = codePoints(utf8).size();
    if (length < min || length > max) {
        return std::to_string(min) + " to " + std::to_string(max) + " characters";
    }
    return std::nullopt;
}

} // namespace pack
