#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Platform.h"

namespace pack {

// The package's ProductCode in registry form; refuses, naming path, a
// package without one or with one that is no GUID.
std::string productCodeOf(const PackageInfo& package, const std::string& path);

// What the summary's Template ("platform;languages", as "x64;1033,1031") says.
struct PackageTarget {
    std::string architecture;  // "x86", "x64" or "arm64"
    std::vector<uint32_t> languages;
};

// Refuses, naming path, a platform other than Intel (or none), x64, AMD64
// and Arm64, in any case, and languages that are not numbers.
PackageTarget targetOf(const PackageInfo& package, const std::string& path);

} // namespace pack
