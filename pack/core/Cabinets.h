#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Platform.h"

namespace pack {

// At most as many cabinets as a Media table has disks (DiskId is a 16-bit
// column), and so as resources 1 to N can number; names as long as a file
// name can be.
inline constexpr size_t maxCabinets = 32767;
inline constexpr size_t maxNameLength = 255;

// Why name cannot be written as a file of its own in the launcher's private
// folder, or nothing when it can: a plain file name of at most maxNameLength
// units, not a device, not "main.msi".
std::optional<std::string> plainNameFault(std::u16string_view name);

// Why a setup program cannot carry cabinets of these names, or nothing: more
// than maxCabinets, a name that is no plain file name, or two that may name
// one file in the launcher's folder (see FolderNames).
std::optional<std::string> cabinetNamesFault(const std::vector<std::u16string>& names);

// A name Windows opens as a device wherever it stands: CON, PRN, AUX, NUL,
// COM1-9 and LPT1-9 (also with superscript digits), CONIN$ and CONOUT$, with
// any extension or stream and blanks before it.
bool isDeviceName(std::u16string_view name);

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
