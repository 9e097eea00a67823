#pragma once

#include <string>

#include "Platform.h"

namespace pack {

// A setup program that records no checksums (made by an older tarnell-pack):
// there is nothing to check its parts against.
class NothingToVerify : public PackError {
public:
    using PackError::PackError;
};

// `verify`: checks the package and each cabinet that a setup program carries
// against the size and XXH3 recorded when it was packed, offline. Returns the
// line it prints when all match; throws PackError naming the first part that
// does not ("<setup>: damaged: the cabinet 'a.cab' holds ..."), and
// NothingToVerify for a setup program without checksums.
std::string verify(const std::string& setup, Platform& platform);

} // namespace pack
