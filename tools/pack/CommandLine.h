#pragma once

#include <optional>
#include <stdexcept>

#include "Guid.h"
#include "tstrings.h"

// What the command line asks the tool to do.
struct PackOptions {
    enum Action { Pack, ShowHelp, ShowVersion };

    Action action = Pack;
    WString package;
    WString output;
    WString icon;                     // empty: the setup program has no icon
    std::optional<Guid> productCode;  // empty: the package's own
};

// A command line the tool does not understand; the text says why.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// "--help" and "--version" win wherever they stand.
PackOptions parseCommandLine(const WStringList& args);

extern const char usageText[];
