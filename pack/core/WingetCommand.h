#pragma once

#include <string>

#include "Platform.h"

namespace pack {

struct WingetOptions {
    std::string id;   // PackageIdentifier, as Publisher.Package
    std::string url;  // where the setup program is downloaded from
    std::string locale = "en-US";
    std::string folder;
};

// `winget`: writes the multi-file manifest of winget's ManifestVersion 1.10.0
// for a setup program into options.folder, made when missing, every file or
// none: <id>.yaml (version), <id>.installer.yaml and <id>.locale.<locale>.yaml
// (default locale). Refuses, naming the value, an option or a package value
// that winget would refuse, and a package. Returns what it prints.
std::string winget(const std::string& setup, const WingetOptions& options, Platform& platform);

} // namespace pack
