#pragma once

#include <string>
#include <vector>

#include "Platform.h"

namespace pack {

// The folder a command writes its files into: made with its missing parents,
// and those it made removed again unless keep() says that the command went
// through.
class OutputFolder {
public:
    // Refuses, naming path, something that is there and is not a folder, on
    // the path or above it.
    OutputFolder(Platform& platform, const std::string& path);
    ~OutputFolder();
    OutputFolder(const OutputFolder&) = delete;
    OutputFolder& operator=(const OutputFolder&) = delete;

    void keep() { kept = true; }

private:
    void removeMade();

    Platform& platform;
    std::vector<std::string> made;  // top down
    bool kept = false;
};

} // namespace pack
