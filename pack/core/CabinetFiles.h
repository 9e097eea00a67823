#pragma once

#include <memory>
#include <string>
#include <vector>

#include "Platform.h"

namespace pack {

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
