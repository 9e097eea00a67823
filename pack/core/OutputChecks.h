#pragma once

#include <string>
#include <vector>

#include "Platform.h"

namespace pack {

// A file the command reads, which no output may replace.
struct ReadFile {
    std::string what;  // "the package", "the cabinet 'a.cab'", ...
    FileIdentity identity;
};

// The identity of an input the command has opened, for checkOutput.
ReadFile readFileAt(Platform& platform, const std::string& path, std::string what);

// Refuses, naming path, an output that would replace something it must not:
// one of inputs (through any link), a folder, a device or pipe.
void checkOutput(Platform& platform, const std::string& path, const std::vector<ReadFile>& inputs);

// Refuses a setup program's name that ends in .msi or .cab (in any case,
// and as Windows reads it: without trailing dots and blanks), which is a
// package's or a cabinet's and the one most likely to replace one by mistake.
void checkSetupName(const std::string& path);

} // namespace pack
