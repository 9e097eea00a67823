#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace pack {

// XXH3-64 with seed 0, fed with bytes in pieces of any size while they are
// written: the checksum a setup program records of its parts (Checksums.h).
// It answers damage (a cut download, a bad disk), not tampering, which the
// setup program's signature answers; it runs at memory speed.
class Xxh3 {
public:
    Xxh3();  // started
    void add(std::span<const std::byte> bytes);
    uint64_t digest() const;  // of the bytes so far; adding may go on

private:
    // xxHash's state, kept opaque so that only Xxh3.cpp includes xxhash.h.
    alignas(64) unsigned char state[576];
};

} // namespace pack
