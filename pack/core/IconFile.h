#pragma once

#include <span>
#include <string>

#include "ResourceTable.h"

namespace pack {

// An icon file has at most this many images; real ones have a handful.
inline constexpr size_t maxIconImages = 256;

// Adds the icon file (.ico) read from path as the program's icon: each image
// becomes an RT_ICON resource numbered from 1, and the file's directory the
// RT_GROUP_ICON resource 1, which Explorer shows. Refuses, naming path, a file
// that is not an icon or whose images overlap or lie outside it.
void addIcon(ResourceTable& resources, std::span<const std::byte> file, const std::string& path);

} // namespace pack
