#include "ShortNames.h"

#include <algorithm>

#include "WindowsCase.h"

namespace pack {
namespace {

constexpr size_t stemLimit = 8, extensionLimit = 3;

bool isAsciiUpper(char16_t c) { return c >= u'A' && c <= u'Z'; }
bool isAsciiLower(char16_t c) { return c >= u'a' && c <= u'z'; }
bool isDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

// A character an 8.3 name may hold as it is, in either case.
bool isShortNameCharacter(char16_t c) {
    return isAsciiUpper(c) || isAsciiLower(c) || isDigit(c) || std::u16string_view(u"!#$%&'()-@^_`{}~").find(c) != std::u16string_view::npos;
}

struct Parts {
    std::u16string_view stem, extension;
    bool hasDot;
};

Parts partsOf(std::u16string_view name) {
    const size_t dot = name.rfind(u'.');
    if (dot == std::u16string_view::npos) {
        return {name, {}, false};
    }
    return {name.substr(0, dot), name.substr(dot + 1), true};
}

// An 8.3 name, in any case.
bool fitsShortName(std::u16string_view name) {
    const Parts parts = partsOf(name);
    const bool fits = !parts.stem.empty() && parts.stem.size() <= stemLimit && parts.extension.size() <= extensionLimit &&
                      (!parts.hasDot || !parts.extension.empty());
    return fits && std::all_of(name.begin(), name.end(), [](char16_t c) { return c == u'.' || isShortNameCharacter(c); }) &&
           std::count(name.begin(), name.end(), u'.') <= 1;
}

// An 8.3 name of one letter case: Windows makes no short name for it.
bool getsNoShortName(std::u16string_view name) {
    const bool oneCase = std::none_of(name.begin(), name.end(), isAsciiUpper) || std::none_of(name.begin(), name.end(), isAsciiLower);
    return fitsShortName(name) && oneCase;
}

// The extension of a short name made from extension: blanks dropped, other
// characters that 8.3 names do not take as "_", 3 at most, in upper case.
std::u16string shortExtension(std::u16string_view extension) {
    std::u16string out;
    for (const char16_t c : extension) {
        if (out.size() == extensionLimit) {
            break;
        }
        if (c != u' ') {
            out += isShortNameCharacter(c) ? windowsUpper(c) : u'_';
        }
    }
    return out;
}

} // namespace

std::optional<std::u16string> shortFormExtension(std::u16string_view name) {
    const Parts parts = partsOf(name);
    const size_t tilde = parts.stem.rfind(u'~');
    if (!fitsShortName(name) || tilde == std::u16string_view::npos || tilde + 1 == parts.stem.size() ||
        !std::all_of(parts.stem.begin() + static_cast<std::ptrdiff_t>(tilde + 1), parts.stem.end(), isDigit)) {
        return std::nullopt;
    }
    return windowsUpper(parts.extension);
}

std::optional<std::u16string> generatedShortExtension(std::u16string_view name) {
    if (getsNoShortName(name)) {
        return std::nullopt;
    }
    return shortExtension(partsOf(name).extension);
}

std::optional<std::u16string> FolderNames::clash(const std::u16string& name) {
    const std::u16string upper = windowsUpper(name);
    if (const auto same = byUpperCase.find(upper); same != byUpperCase.end()) {
        return same->second;
    }
    // A mixed-case 8.3 name may be both: it looks like a short name and gets one.
    const std::optional<std::u16string> shortForm = shortFormExtension(name);
    const std::optional<std::u16string> generated = generatedShortExtension(name);
    if (const auto found = shortForm ? longNames.find(*shortForm) : longNames.end(); found != longNames.end()) {
        return found->second;
    }
    if (const auto found = generated ? shortForms.find(*generated) : shortForms.end(); found != shortForms.end()) {
        return found->second;
    }
    byUpperCase.emplace(upper, name);
    if (shortForm) {
        shortForms.emplace(*shortForm, name);
    }
    if (generated) {
        longNames.emplace(*generated, name);
    }
    return std::nullopt;
}

} // namespace pack
