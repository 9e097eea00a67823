#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "FileRange.h"
#include "Platform.h"

namespace pack {

// The values the packer needs from an installer package, read in place with
// the package's text decoded by decoder. Refuses, naming path, a file that is
// no package ("not an installer package") and one that breaks its own layout
// ("a damaged installer package: ..."). Platform::readPackage does this.
PackageInfo readPackage(const FileRange& package, Platform& decoder, const std::string& path);

// The code page in which to decode a package's text: the ANSI code pages
// (874, 932, 936, 949, 950, 1250 to 1258) and UTF-8 (65001). A neutral package
// (0) is meant to hold ASCII alone and is read as 1252, the same on every
// machine. Nothing for any other number.
std::optional<uint32_t> textCodePage(uint32_t stored);

} // namespace pack
