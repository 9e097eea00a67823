#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "FileRange.h"

namespace pack {

// SHA-256, fed with bytes in pieces of any size.
class Sha256 {
public:
    Sha256();
    void add(std::span<const std::byte> bytes);
    // Lower-case hex; ends the sum.
    std::string hex();

private:
    void compress(const uint8_t* block);

    std::array<uint32_t, 8> state;
    std::array<uint8_t, 64> buffer{};
    size_t buffered = 0;
    uint64_t length = 0;
};

// The sum of a file's bytes, read in pieces.
std::string sha256Of(const FileRange& range);

} // namespace pack
