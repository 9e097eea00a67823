#pragma once

#include <string>
#include <string_view>

namespace pack {

// The last part of a path, after either separator: Windows takes both, and no
// sensible name of a package or setup program holds a backslash.
inline std::string fileNameOf(std::string_view path) { return std::string(path.substr(path.find_last_of("/\\") + 1)); }

} // namespace pack
