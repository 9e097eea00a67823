#pragma once

#include <optional>
#include <string>
#include <vector>

#include "Platform.h"

namespace pack {

// The cabinets the package names as files beside it, in the order of their
// Media rows' DiskId, each once (names compared without regard to ASCII case).
std::vector<std::u16string> externalCabinets(const PackageInfo& package);

// Why name cannot be written as a file of its own in the launcher's private
// folder, or nothing when it can: a plain file name, not a device, not "main.msi".
std::optional<std::string> plainNameFault(const std::u16string& name);

// The sequence of a File row that no cabinet holds: its Media row names no
// cabinet (files laid out beside the package) or there is no such row.
std::optional<int32_t> fileOutsideCabinets(const PackageInfo& package);

} // namespace pack
