#pragma once

#include <optional>
#include <string>
#include <vector>

#include "SetupFacts.h"
#include "WingetCommand.h"

namespace pack {

// What the command line asks the tool to do; paths as given.
struct PackOptions {
    enum Action { Pack, ShowHelp, ShowVersion, Info, Extract, Winget, Verify };

    Action action = Pack;
    std::string package;
    std::string output;
    std::string icon;                        // empty: the setup program has no icon
    std::optional<std::string> productCode;  // registry form; empty: the package's own
    bool packageCache = true;
    ElevationPolicy elevation = ElevationPolicy::Auto;
    bool defaultLog = true;

    std::string input;   // info, extract, winget, verify: the setup program (info: or a package)
    bool json = false;   // info --json
    std::string folder;  // extract: where to
    bool force = false;  // extract --force
    WingetOptions winget;
};

// -h/--help and -V/--version win wherever they stand before "--"; a first
// argument of info, extract, winget or verify names the command. Throws
// UsageError with one line naming the problem.
PackOptions parseCommandLine(const std::vector<std::string>& args);

extern const char usageText[];

} // namespace pack
