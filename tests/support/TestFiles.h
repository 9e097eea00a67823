#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "FileUtils.h"
#include "WinSysInfo.h"

// A file the build put beside the running test program.
inline WString besideTestProgram(const WString& name) {
    return FileUtils::joinPath(FileUtils::dirname(SysInfo::getExecutablePath()), name);
}

inline std::string readFile(const WString& path) {
    std::ifstream in(std::filesystem::path(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void writeFile(const WString& path, const std::string& content) {
    std::ofstream(std::filesystem::path(path), std::ios::binary) << content;
}
