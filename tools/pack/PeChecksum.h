#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

// The CheckSum of an image's optional header, fed with the file's bytes in
// order, in pieces of any size; the checksum field itself must be fed as zero.
// It is the one's-complement sum of the file's 16-bit words plus the file's length.
class PeChecksum {
public:
    void add(const void* data, size_t size);
    DWORD value() const;

private:
    // Words are summed wide and folded once at the end: 2^16 is 1 modulo
    // 0xFFFF, so the fold gives the same sum as adding with end-around carry.
    uint64_t sum = 0;
    uint64_t length = 0;
};
