#pragma once

#include <optional>
#include <string>
#include <vector>

#include "SetupFacts.h"

namespace pack {

// What the command line asks the tool to do; paths as given.
struct PackOptions {
    enum Action { Pack, ShowHelp, ShowVersion };

    Action action = Pack;
    std::string package;
    std::string output;
    std::string icon;                        // empty: the setup program has no icon
    std::optional<std::string> productCode;  // registry form; empty: the package's own
    bool packageCache = true;
    ElevationPolicy elevation = ElevationPolicy::Auto;
};

// "--help" and "--version" win wherever they stand; throws UsageError.
PackOptions parseCommandLine(const std::vector<std::string>& args);

extern const char usageText[];

} // namespace pack
