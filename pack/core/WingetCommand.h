#pragma once

#include <string>
#include <vector>

#include "Description.h"
#include "Platform.h"

namespace pack {

struct WingetOptions {
    std::string id;   // PackageIdentifier, as Publisher.Package
    std::string url;  // where the setup program is downloaded from
    std::string locale = "en-US";
    std::string folder;
};

struct ManifestFile {
    std::string name;
    std::string text;
};

// The multi-file manifest of winget's ManifestVersion 1.10.0 for a setup
// program: <id>.yaml (version), <id>.installer.yaml and
// <id>.locale.<locale>.yaml (default locale). Refuses, naming the value, an
// option or a package value that winget would refuse, and a package (path).
std::vector<ManifestFile> wingetManifests(const Description& setup, const WingetOptions& options,
                                          const std::string& path);

// `winget`: writes the manifests into options.folder, made when missing; every
// file or none. Returns what it prints.
std::string winget(const std::string& setup, const WingetOptions& options, Platform& platform);

} // namespace pack
