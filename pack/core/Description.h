#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "PackageFacts.h"
#include "Platform.h"
#include "SetupFacts.h"

namespace pack {

// Everything `info` and `winget` tell of a setup program or a package.
struct Description {
    struct File {
        std::string name;  // UTF-8
        uint64_t size = 0;
        std::string sha256;  // lower-case hex
    };

    PackageInfo package;
    std::string productCode;  // a setup program's own (what it removes), else the package's
    InstallScope scope = InstallScope::Machine;
    PackageTarget target;
    File packageFile;              // a setup program's package: under the name extract gives it
    std::vector<File> cabinets;    // external ones, in the order the setup program carries them
    std::optional<File> setup;     // none for a package
    // Whether the setup program logs where its command line names no log; none
    // for a package and a setup program of an older packer, which does not.
    std::optional<bool> defaultLog;
};

// The files describe sums: winget needs the setup program's sum alone.
enum class Sums { Every, SetupOnly };

// Refuses, naming path, what is neither a setup program made by tarnell-pack
// nor a package, and whatever pack would refuse in either. A file not summed
// has an empty sha256.
Description describe(const std::string& path, Platform& platform, Sums sums = Sums::Every);

// The name a setup program's package is extracted under: its original one, or
// main.msi where an older packer did not record it.
std::u16string packageNameOf(const std::optional<SetupFacts>& facts);

} // namespace pack
