#include "ProductCode.h"

#include <algorithm>

#include "Text.h"

namespace pack {
namespace {

constexpr size_t hexDigitCount = 32;
constexpr size_t dashedLength = 36;
constexpr size_t dashPositions[] = {8, 13, 18, 23};  // in the dashed form without braces

bool isHexDigit(char16_t c) { return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F'); }

bool isDashPosition(size_t i) {
    return std::find(std::begin(dashPositions), std::end(dashPositions), i) != std::end(dashPositions);
}

} // namespace

std::optional<std::string> registryForm(std::u16string_view text) {
    if (text.size() >= 2 && text.front() == u'{' && text.back() == u'}') {
        text = text.substr(1, text.size() - 2);
    }
    std::u16string digits;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text.size() == dashedLength && isDashPosition(i)) {
            if (text[i] != u'-') {
                return std::nullopt;
            }
        } else {
            digits += text[i];
        }
    }
    if (digits.size() != hexDigitCount || !std::all_of(digits.begin(), digits.end(), isHexDigit)) {
        return std::nullopt;
    }
    digits = asciiUpper(digits);
    std::string form = "{";
    for (size_t i = 0; i < hexDigitCount; ++i) {
        if (isDashPosition(form.size() - 1)) {
            form += '-';
        }
        form += static_cast<char>(digits[i]);
    }
    return form + "}";
}

} // namespace pack
