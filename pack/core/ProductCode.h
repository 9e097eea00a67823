#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace pack {

// The registry form ("{" 8-4-4-4-12 "}", upper-case hex digits) of a product
// code written in it, without braces, without dashes or without both; nothing
// for any other text.
std::optional<std::string> registryForm(std::u16string_view text);

} // namespace pack
