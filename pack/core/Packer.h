#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "CommandLine.h"
#include "Platform.h"

namespace pack {

struct PackResult {
    std::string productCode;  // registry form
    uint64_t packageSize = 0;
    size_t cabinetCount = 0;
    uint64_t cabinetSize = 0;  // all cabinets together
};

// Writes the setup program that options ask for, from the launcher image
// stub. Every check runs before the output is created, and the output
// changes only when the whole program has been written. Adds to warnings
// what works but is likely a mistake.
PackResult pack(const PackOptions& options, Platform& platform, std::span<const std::byte> stub,
                std::vector<std::string>& warnings);

} // namespace pack
