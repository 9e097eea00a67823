#pragma once

#include <string>
#include <string_view>

namespace pack {

// Conversions that never fail: a malformed sequence becomes U+FFFD.
std::u16string toUtf16(std::string_view utf8);
std::string toUtf8(std::u16string_view utf16);
// The code points of UTF-8 text, each malformed sequence as U+FFFD, and back.
std::u32string codePoints(std::string_view utf8);
std::string toUtf8(std::u32string_view codePoints);

// Text from a package as a message shows it: UTF-8 in which control characters,
// line and paragraph separators, bidirectional overrides and lone surrogates
// appear as \xNN or \uNNNN, so that no such text can start a terminal escape
// sequence, break the message's one line or reorder what it says.
std::string shown(std::u16string_view text);

// ASCII letters in upper case, everything else unchanged.
std::u16string asciiUpper(std::u16string_view text);

} // namespace pack
