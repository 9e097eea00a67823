#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace pack {

// The CheckSum of an image's optional header, fed with the file's bytes in
// order, in pieces of any size; the checksum field itself must be fed as zero.
// It is the one's-complement sum of the file's 16-bit words plus the file's length.
class PeChecksum {
public:
    void add(std::span<const std::byte> bytes);
    uint32_t value() const;

private:
    // Words are summed wide and folded once at the end: 2^16 is 1 modulo
    // 0xFFFF, so the fold gives the same sum as adding with end-around carry.
    uint64_t sum = 0;
    uint64_t length = 0;
};

} // namespace pack
