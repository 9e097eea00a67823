#pragma once

#include <cstdint>
#include <map>
#include <span>
#include <string>

namespace pack {

// The text properties of a package's summary information (the stream
// "\005SummaryInformation", a property set), in the set's own code page.
struct SummaryInformation {
    uint32_t codePage = 0;  // property 1; 0 when absent
    std::map<uint32_t, std::string> texts;  // of the two properties below, when present

    static constexpr uint32_t templateProperty = 7;
    static constexpr uint32_t revisionNumber = 9;  // the package code
};

// Throws DamagedPackage.
SummaryInformation readSummaryInformation(std::span<const std::byte> stream);

} // namespace pack
