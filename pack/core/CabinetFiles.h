#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Platform.h"

namespace pack {

// A cabinet the package names as a file beside it, as the first of its Media
// rows by DiskId spells it, with the other spellings of later rows that
// Windows takes for the same file (the same but for letter case).
struct ExternalCabinet {
    std::u16string name;
    std::vector<std::u16string> otherSpellings;
};

// The cabinets the package names as files beside it, in the order of their
// Media rows' DiskId, each once.
std::vector<ExternalCabinet> externalCabinets(const PackageInfo& package);

// The sequence of a File row that no cabinet holds: its Media row names no
// cabinet (files laid out beside the package) or there is no such row.
std::optional<int32_t> fileOutsideCabinets(const PackageInfo& package);

// A cabinet that a package names as a file beside it, opened.
struct CabinetFile {
    std::u16string name;
    std::string path;
    std::unique_ptr<InputFile> file;
};

// The package's external cabinets, in the order the setup program carries
// them. Refuses, naming path (the package's), a package that keeps files
// outside cabinets, a cabinet name that is no plain file name, and a cabinet
// that is not there.
std::vector<CabinetFile> openCabinets(const PackageInfo& package, const std::string& path, Platform& platform);

} // namespace pack
