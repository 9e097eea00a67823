#pragma once

#include <optional>
#include <string>
#include <vector>

#include "Checksums.h"
#include "FileRange.h"
#include "SetupFacts.h"

namespace pack {

// What a setup program made by tarnell-pack carries, found in place: its
// RT_RCDATA resources "MSI", "PRODUCT_CODE", "SETUP", "CABINETS", 1 to N and
// "CHECKSUMS".
struct SetupContents {
    struct Cabinet {
        std::u16string name;
        FileRange bytes;
    };

    FileRange package;
    std::string productCode;          // registry form
    std::optional<SetupFacts> facts;  // none in a setup program of an older packer
    std::optional<bool> defaultLog;   // facts->defaultLog where the facts record it
    std::vector<Cabinet> cabinets;
    std::optional<Checksums> checksums;  // none in a setup program of an older packer
};

// True for a file that starts as a Windows program does.
bool looksLikeProgram(const FileRange& file);

// True for a setup program that readSetup reads.
bool isSetupProgram(const FileRange& file);

// Refuses, naming path, a file that is not such a setup program ("not a setup
// program made by tarnell-pack") and one whose resources break the rules the
// launcher reads them by ("a damaged setup program: ...").
SetupContents readSetup(const FileRange& file, const std::string& path);

} // namespace pack
