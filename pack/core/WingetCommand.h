#pragma once

#include <string>
#include <vector>

#include "Platform.h"

namespace pack {

struct WingetOptions {
    std::string id;   // PackageIdentifier, as Publisher.Package
    std::string url;  // where the setup program is downloaded from
    std::string locale = "en-US";
    std::string folder;
    bool force = false;  // replace manifests already there
};

// `winget`: writes the multi-file manifest of winget's ManifestVersion 1.10.0
// for a setup program into options.folder, made when missing, every file or
// none: <id>.yaml (version), <id>.installer.yaml and <id>.locale.<locale>.yaml
// (default locale). Refuses, naming the value, an option or a package value
// that winget would refuse, a package, and manifests already there unless
// options.force. Returns what it prints; warns of an http:// URL and of a
// product code that is not the package's own.
std::string winget(const std::string& setup, const WingetOptions& options, Platform& platform,
                   std::vector<std::string>& warnings);

} // namespace pack
