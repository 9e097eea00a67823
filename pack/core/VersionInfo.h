#pragma once

#include <cstdint>
#include <string>

#include "Bytes.h"

namespace pack {

// What the version resource of a setup program shows: Explorer's file
// properties and a UAC prompt name the program by it.
struct VersionTexts {
    std::u16string productName, productVersion, manufacturer;
    std::u16string fileName;  // of the setup program
};

// Longer texts are cut to this many UTF-16 units, so that every block of the
// resource stays within its 16-bit length.
inline constexpr size_t maxVersionTextLength = 4000;

Bytes versionResource(const VersionTexts& texts);

// The version as the four 16-bit fields of a fixed version, most significant
// first; 0 unless text is one to four dot-separated ASCII numbers below 65536.
uint64_t parseVersion(std::u16string_view text);

} // namespace pack
