#pragma once

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "FileUtils.h"
#include "WinSysInfo.h"

// A program built beside the test executable.
inline WString helperProgram(const WString& name) {
    return FileUtils::joinPath(FileUtils::dirname(SysInfo::getExecutablePath()), name);
}

inline std::string fileBytes(const WString& path) {
    std::ifstream in(std::filesystem::path(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline bool isEmptyFolder(const WString& path) { return std::filesystem::is_empty(std::filesystem::path(path)); }

inline bool exists(const WString& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }
