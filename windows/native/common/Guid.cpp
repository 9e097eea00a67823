#include "Guid.h"

#include <objbase.h>

#include <iterator>

#include "ErrorHandling.h"

namespace {

GUID initGuid(const WString& text) {
    GUID value{};
    if (FAILED(IIDFromString(text.c_str(), &value))) {
        THROW_RUNTIME_ERROR("IIDFromString(" << text << ") failed");
    }
    return value;
}

constexpr size_t registryFormLength = 38;
constexpr size_t hexDigitCount = 32;

// Product codes are written with and without braces and dashes; IIDFromString
// takes only the registry form, so the stripped forms are completed first.
// Anything else is left as given, for IIDFromString to refuse.
WString toRegistryForm(const WString& text) {
    const bool opens = tstrings::startsWith(text, L"{");
    const bool closes = tstrings::endsWith(text, L"}");
    if ((text.size() == registryFormLength && opens && closes) || text.size() < hexDigitCount) {
        return text;
    }
    WString completed = text;
    if (!opens && !closes) {
        completed = L"{" + text + L"}";
    }
    if (text.find(L'-') == WString::npos) {
        for (size_t position : {9, 14, 19, 24}) {
            completed.insert(position, 1, L'-');
        }
    }
    return completed.size() == registryFormLength ? completed : text;
}

WString widenBytes(const std::string& text) {
    WString wide;
    for (unsigned char c : text) {
        wide += static_cast<wchar_t>(c);
    }
    return wide;
}

} // namespace

Guid::Guid() : value{} {}

Guid::Guid(const GUID& value) : value(value) {}

Guid::Guid(const WString& text) : value(initGuid(toRegistryForm(text))) {}

Guid::Guid(const std::string& text) : Guid(widenBytes(text)) {}

WString Guid::toString(int flags) const {
    wchar_t buffer[128] = {};
    if (StringFromGUID2(value, buffer, std::size(buffer)) < 3) {
        THROW_RUNTIME_ERROR("StringFromGUID2() failed");
    }
    WString text = buffer;
    if (flags & StripBraces) {
        text = text.substr(1, text.size() - 2);
    }
    if (flags & StripDashes) {
        std::erase(text, L'-');
    }
    if (flags & Lowercase) {
        text = tstrings::toLower(text);
    }
    return text;
}

Guid Guid::generate() {
    GUID value{};
    if (FAILED(CoCreateGuid(&value))) {
        THROW_RUNTIME_ERROR("CoCreateGuid() failed");
    }
    return Guid(value);
}

bool Guid::operator==(const Guid& other) const { return IsEqualGUID(value, other.value) != 0; }

bool Guid::operator<(const Guid& other) const { return toString() < other.toString(); }
