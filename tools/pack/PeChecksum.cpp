#include "PeChecksum.h"

#include <cstring>

void PeChecksum::add(const void* data, size_t size) {
    const auto* bytes = static_cast<const BYTE*>(data);
    const BYTE* const end = bytes + size;
    // A byte at an odd offset of the file is the high half of its word.
    if (bytes != end && length % 2 != 0) {
        sum += uint64_t{*bytes++} << 8;
    }
    // From an even offset on, a 32-bit word counts as the sum of its two halves.
    for (; end - bytes >= 4; bytes += 4) {
        uint32_t word;
        std::memcpy(&word, bytes, sizeof(word));
        sum += word;
    }
    for (size_t k = 0; bytes + k != end; ++k) {
        sum += uint64_t{bytes[k]} << (k % 2 * 8);
    }
    length += size;
}

DWORD PeChecksum::value() const {
    uint64_t folded = sum;
    while (folded > 0xFFFF) {
        folded = (folded & 0xFFFF) + (folded >> 16);
    }
    return static_cast<DWORD>(folded + length);
}
