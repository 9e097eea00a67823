#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "Bytes.h"

namespace pack {

// The strings of an installer package: the tables hold their numbers. The
// _StringPool stream starts with the code page (bit 31 set: string numbers
// take 3 bytes in the tables, else 2), then a length and a reference count of
// 16 bits each per string, numbered from 1; _StringData holds the strings'
// bytes one after the other. A string of 64 KiB or more takes two entries: a
// zero length with its reference count, then its length's high and low
// halves in the next entry's count and length.
class StringPool {
public:
    // Throws DamagedPackage.
    StringPool(Bytes pool, Bytes data);

    uint32_t codePage() const { return storedCodePage; }
    size_t referenceSize() const { return refSize; }
    // The bytes of string id, in the code page; "" for 0 (null). Throws
    // DamagedPackage for a number no string has.
    std::string_view bytes(uint32_t id) const;

private:
    struct Place {
        size_t offset, length;
    };

    Bytes data;
    std::vector<Place> strings;  // index id - 1
    uint32_t storedCodePage = 0;
    size_t refSize = 2;
};

} // namespace pack
