#pragma once

#include <string>
#include <string_view>

namespace pack {

// The name of a stream in an installer package as the installer means it.
// Storage limits names to 31 units, so the installer packs names made of
// letters, digits, '.' and '_' two characters to a unit (0x3800 + a + 64 b)
// or one (0x4800 + a), and marks the streams that hold tables with 0x4840.
struct StreamName {
    bool isTable = false;
    std::u16string name;

    bool operator==(const StreamName&) const = default;
};

StreamName decodeStreamName(std::u16string_view stored);

} // namespace pack
