#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Platform.h"

namespace pack {

// The cabinets the package names as files beside it, in the order of their
// Media rows' DiskId, each once: names that Windows takes for one file (the
// same but for letter case) are one cabinet.
std::vector<std::u16string> externalCabinets(const PackageInfo& package);

// Why name cannot be written as a file of its own in the launcher's private
// folder, or nothing when it can: a plain file name, not a device, not "main.msi".
std::optional<std::string> plainNameFault(std::u16string_view name);

// A name Windows opens as a device wherever it stands: CON, PRN, AUX, NUL,
// COM1-9 and LPT1-9 (also with superscript digits), CONIN$ and CONOUT$, with
// any extension or stream and blanks before it.
bool isDeviceName(std::u16string_view name);

// The sequence of a File row that no cabinet holds: its Media row names no
// cabinet (files laid out beside the package) or there is no such row.
std::optional<int32_t> fileOutsideCabinets(const PackageInfo& package);

// The "CABINETS" resource: the names in UTF-8, each followed by "\n".
std::string formatCabinetList(const std::vector<std::u16string>& names);

// The names of a list, or fault: why the list is not one the packer writes
// (then names is empty). The launcher writes nothing before it has this.
struct CabinetList {
    std::vector<std::u16string> names;
    std::string fault;
};
CabinetList parseCabinetList(std::string_view utf8);

} // namespace pack
