#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace pack {

// Text in a Windows code page as UTF-16, through glibc's iconv: what the code
// page cannot decode becomes U+FFFD, as MultiByteToWideChar has it.
std::u16string decodeWithIconv(uint32_t codePage, std::string_view bytes);

} // namespace pack
