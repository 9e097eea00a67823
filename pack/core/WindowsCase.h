#pragma once

#include <string>
#include <string_view>

namespace pack {

// A UTF-16 code unit in upper case as Windows has it when it compares file
// names without regard to case (the table behind CompareStringOrdinal and
// RtlUpcaseUnicodeChar): one unit for one, surrogates unchanged.
char16_t windowsUpper(char16_t c);
std::u16string windowsUpper(std::u16string_view text);

} // namespace pack
