#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What the packer measured of each part a setup program carries, so that the
// launcher (before msiexec starts) and `tarnell-pack verify` find a part that
// was damaged since: the RT_RCDATA resource "CHECKSUMS". A setup program of an
// older packer has none, and installs as before.
//
// The format: one line per part, ASCII, each ended by "\n", in this order:
//     MSI <size> <xxh3>      the package (RT_RCDATA "MSI")
//     <n> <size> <xxh3>      the cabinet in RT_RCDATA n, for n = 1, 2, ... in turn
// where <size> is the part's length in bytes, in decimal without leading zeros,
// and <xxh3> its XXH3-64 (seed 0, Xxh3.h) as 16 lower-case hex digits. Nothing
// else is read as a list of checksums.
namespace pack {

struct PartChecksum {
    uint64_t size = 0;
    uint64_t xxh3 = 0;
    bool operator==(const PartChecksum&) const = default;
};

struct Checksums {
    PartChecksum package;
    std::vector<PartChecksum> cabinets;  // in the order of the CABINETS list
    bool operator==(const Checksums&) const = default;
};

std::string formatChecksums(const Checksums& checksums);

// Nothing for any text that formatChecksums cannot have written for a setup
// program of cabinetCount cabinets.
std::optional<Checksums> parseChecksums(std::string_view text, size_t cabinetCount);

// Why the bytes found do not match those recorded, as the end of a sentence
// that names the part ("holds 10 bytes where 12 were packed", "has the
// checksum 0123... where 4567... was recorded"), or nothing when they match.
std::optional<std::string> checksumMismatch(const PartChecksum& recorded, const PartChecksum& found);

} // namespace pack
