#pragma once

#include <ostream>
#include <string>
#include <vector>

typedef std::wstring WString;
typedef std::vector<WString> WStringList;

namespace tstrings {

enum CompareMode { CaseSensitive = 0, IgnoreCase = 1 };
enum SplitMode { KeepEmpty = 0, SkipEmpty = 1 };

std::string toUtf8(const WString& text);
WString fromUtf8(const std::string& bytes);
std::string toACP(const WString& text);
WString fromACP(const std::string& bytes);
std::string acpToUtf8(const std::string& bytes);

WString toWinString(const WString& text);
WString toLower(const WString& text);
bool equals(const WString& a, const WString& b, CompareMode mode = CaseSensitive);
bool startsWith(const WString& text, const WString& prefix, CompareMode mode = CaseSensitive);
bool endsWith(const WString& text, const WString& suffix, CompareMode mode = CaseSensitive);
WString trim(const WString& text, const WString& characters = L" \t");
WStringList split(const WString& text, const WString& delimiter, SplitMode mode);
WString replace(const WString& text, const WString& search, const WString& replacement);

// printf-style formatting into a wide string.
WString format(const wchar_t* fmt, ...);

// Composes message texts from literals, wide and narrow texts and numbers.
class MessageBuilder {
public:
    MessageBuilder() = default;
    explicit MessageBuilder(const WString& text);
    explicit MessageBuilder(const char* utf8);

    // Narrow literals are widened byte by byte; the program's literals are ASCII.
    MessageBuilder& operator<<(const char* text);
    MessageBuilder& operator<<(const wchar_t* text);
    MessageBuilder& operator<<(const WString& text);
    MessageBuilder& operator<<(unsigned long value);
    MessageBuilder& operator<<(unsigned value);
    MessageBuilder& operator<<(int value);
    MessageBuilder& operator<<(long value);
    MessageBuilder& operator<<(unsigned long long value);
    MessageBuilder& operator<<(long long value);
    MessageBuilder& operator<<(char c);
    MessageBuilder& operator<<(wchar_t c);
    MessageBuilder& operator<<(bool value);
    MessageBuilder& operator<<(const void* pointer);

    WString str() const { return text; }
    std::string utf8() const { return toUtf8(text); }

private:
    // A plain string, not a wide string stream: the launcher carries no stream or locale code.
    WString text;
};

inline std::ostream& operator<<(std::ostream& os, const MessageBuilder& builder) { return os << builder.utf8(); }

} // namespace tstrings
