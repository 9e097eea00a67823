#pragma once

#include <string>

#include "Platform.h"

namespace pack {

// The folder a command writes its files into: made when missing, and removed
// again, if it was made, unless keep() says that the command went through.
class OutputFolder {
public:
    // Refuses, naming path, something that is there and is not a folder.
    OutputFolder(Platform& platform, const std::string& path);
    ~OutputFolder();
    OutputFolder(const OutputFolder&) = delete;
    OutputFolder& operator=(const OutputFolder&) = delete;

    void keep() { kept = true; }

private:
    Platform& platform;
    std::string path;
    bool made = false;
    bool kept = false;
};

} // namespace pack
