#include "tstrings.h"

#include <windows.h>

#include <cctype>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <iterator>
#include <stdexcept>

#include "ErrorHandling.h"

namespace tstrings {

namespace {

std::string toMultiByte(const WString& text, UINT codePage) {
    if (text.empty()) {
        return {};
    }
    const int length = static_cast<int>(text.size());
    const int n = WideCharToMultiByte(codePage, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    if (n == 0) {
        return {};
    }
    std::string bytes(static_cast<size_t>(n), '\0');
    if (WideCharToMultiByte(codePage, 0, text.data(), length, bytes.data(), n, nullptr, nullptr) != n) {
        THROW_RUNTIME_ERROR("Unexpected reply from WideCharToMultiByte()");
    }
    return bytes;
}

WString fromMultiByte(const std::string& bytes, UINT codePage) {
    if (bytes.empty()) {
        return {};
    }
    const int length = static_cast<int>(bytes.size());
    const int n = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data(), length, nullptr, 0);
    if (n == 0) {
        return {};
    }
    WString text(static_cast<size_t>(n), L'\0');
    if (MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data(), length, text.data(), n) != n) {
        THROW_RUNTIME_ERROR("Unexpected reply from MultiByteToWideChar()");
    }
    return text;
}

// _vsnwprintf_s answers -1 both for a short buffer and for a bad format;
// past this size the cause cannot be a short buffer any more.
constexpr size_t maxFormattedLength = 1024 * 1024;

} // namespace

std::string toUtf8(const WString& text) { return toMultiByte(text, CP_UTF8); }
WString fromUtf8(const std::string& bytes) { return fromMultiByte(bytes, CP_UTF8); }
std::string toACP(const WString& text) { return toMultiByte(text, CP_ACP); }
WString fromACP(const std::string& bytes) { return fromMultiByte(bytes, CP_ACP); }
std::string acpToUtf8(const std::string& bytes) { return toUtf8(fromACP(bytes)); }

WString toWinString(const WString& text) { return text; }

WString toLower(const WString& text) {
    WString result = text;
    for (wchar_t& c : result) {
        if (c >= L'A' && c <= L'Z') {
            c = static_cast<wchar_t>(std::tolower(c));
        }
    }
    return result;
}

bool equals(const WString& a, const WString& b, CompareMode mode) {
    if (mode == IgnoreCase) {
        return toLower(a) == toLower(b);
    }
    return a == b;
}

bool startsWith(const WString& text, const WString& prefix, CompareMode mode) {
    return text.size() >= prefix.size() && equals(text.substr(0, prefix.size()), prefix, mode);
}

bool endsWith(const WString& text, const WString& suffix, CompareMode mode) {
    return text.size() >= suffix.size() && equals(text.substr(text.size() - suffix.size()), suffix, mode);
}

WString trim(const WString& text, const WString& characters) {
    const size_t first = text.find_first_not_of(characters);
    if (first == WString::npos) {
        return {};
    }
    const size_t last = text.find_last_not_of(characters);
    return text.substr(first, last - first + 1);
}

WStringList split(const WString& text, const WString& delimiter, SplitMode mode) {
    WStringList tokens;
    if (text.empty() || delimiter.empty()) {
        return tokens;
    }
    size_t pos = 0;
    for (size_t i = text.find(delimiter); i != WString::npos; i = text.find(delimiter, pos)) {
        if (mode != SkipEmpty || i > pos) {
            tokens.push_back(text.substr(pos, i - pos));
        }
        pos = i + delimiter.size();
    }
    if (mode != SkipEmpty || pos < text.size()) {
        tokens.push_back(text.substr(pos));
    }
    return tokens;
}

WString replace(const WString& text, const WString& search, const WString& replacement) {
    WString result = text;
    if (search.empty()) {
        return result;
    }
    for (size_t pos = result.find(search); pos != WString::npos;
         pos = result.find(search, pos + replacement.size())) {
        result.replace(pos, search.size(), replacement);
    }
    return result;
}

WString format(const wchar_t* fmt, ...) {
    if (fmt == nullptr) {
        throw std::invalid_argument("Destination buffer can't be NULL");
    }
    WString buffer;
    for (;;) {
        buffer.resize(buffer.size() + 256);
        va_list args;
        va_start(args, fmt);
        const int count = _vsnwprintf_s(buffer.data(), buffer.size(), _TRUNCATE, fmt, args);
        va_end(args);
        if (count >= 0) {
            buffer.resize(static_cast<size_t>(count));
            return buffer;
        }
        if (buffer.size() >= maxFormattedLength) {
            THROW_RUNTIME_ERROR("Failed to format [" << fmt << "]: invalid format or result longer than "
                                << static_cast<unsigned>(maxFormattedLength) << " characters");
        }
    }
}

MessageBuilder::MessageBuilder(const WString& text) : text(text) {}

MessageBuilder::MessageBuilder(const char* utf8) : text(fromUtf8(utf8 ? utf8 : "")) {}

MessageBuilder& MessageBuilder::operator<<(const char* narrow) {
    for (const char* c = narrow ? narrow : "NULL"; *c; ++c) {
        *this << *c;
    }
    return *this;
}

MessageBuilder& MessageBuilder::operator<<(const wchar_t* wide) {
    text += wide ? wide : L"NULL";
    return *this;
}

MessageBuilder& MessageBuilder::operator<<(const WString& wide) {
    text += wide;
    return *this;
}

MessageBuilder& MessageBuilder::operator<<(unsigned long value) {
    return *this << static_cast<unsigned long long>(value);
}

MessageBuilder& MessageBuilder::operator<<(unsigned value) {
    return *this << static_cast<unsigned long long>(value);
}

MessageBuilder& MessageBuilder::operator<<(int value) { return *this << static_cast<long long>(value); }

MessageBuilder& MessageBuilder::operator<<(long value) { return *this << static_cast<long long>(value); }

MessageBuilder& MessageBuilder::operator<<(unsigned long long value) {
    wchar_t digits[20];
    wchar_t* first = std::end(digits);
    do {
        *--first = static_cast<wchar_t>(L'0' + value % 10);
        value /= 10;
    } while (value != 0);
    text.append(first, static_cast<size_t>(std::end(digits) - first));
    return *this;
}

MessageBuilder& MessageBuilder::operator<<(long long value) {
    if (value < 0) {
        text += L'-';
        // Negated as unsigned, so that the most negative value has a magnitude too.
        return *this << (0ull - static_cast<unsigned long long>(value));
    }
    return *this << static_cast<unsigned long long>(value);
}

MessageBuilder& MessageBuilder::operator<<(char c) {
    text += static_cast<wchar_t>(static_cast<unsigned char>(c));
    return *this;
}

MessageBuilder& MessageBuilder::operator<<(wchar_t c) {
    text += c;
    return *this;
}

MessageBuilder& MessageBuilder::operator<<(bool value) { return *this << (value ? 1 : 0); }

// The runtime library's "%p": 16 upper-case hexadecimal digits, no prefix.
MessageBuilder& MessageBuilder::operator<<(const void* pointer) {
    unsigned long long value = reinterpret_cast<uintptr_t>(pointer);
    wchar_t digits[16];
    for (wchar_t* digit = std::end(digits); digit != digits; value >>= 4) {
        *--digit = L"0123456789ABCDEF"[value & 0xF];
    }
    text.append(digits, std::size(digits));
    return *this;
}

} // namespace tstrings
