#pragma once

#include "CommandLine.h"
#include "Guid.h"
#include "tstrings.h"

struct PackResult {
    WString output;  // absolute
    Guid productCode;
    ULONGLONG packageSize = 0;
};

// Writes the setup program that options ask for; the output path changes
// only when the whole program has been written.
PackResult pack(const PackOptions& options);
