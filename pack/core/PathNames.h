#pragma once

#include <string>
#include <string_view>

#include "Text.h"

namespace pack {

// The last part of a path, after either separator: Windows takes both, and no
// sensible name of a package or setup program holds a backslash.
inline std::string fileNameOf(std::string_view path) { return std::string(path.substr(path.find_last_of("/\\") + 1)); }

// Whether the file name ends in upperExtension as Windows reads the name: in
// any case, and without the trailing dots and blanks that it drops.
inline bool hasExtension(std::string_view path, std::u16string_view upperExtension) {
    std::string name = fileNameOf(path);
    name.erase(name.find_last_not_of(". ") + 1);
    return asciiUpper(toUtf16(name)).ends_with(upperExtension);
}

} // namespace pack
