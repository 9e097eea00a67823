#pragma once

#include <cstdint>
#include <span>
#include <string>

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
// changes only when the whole program has been written.
PackResult pack(const PackOptions& options, Platform& platform, std::span<const std::byte> stub);

} // namespace pack
