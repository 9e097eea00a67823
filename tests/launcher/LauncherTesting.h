#pragma once

#include <windows.h>

#include <filesystem>

#include "TestFiles.h"

inline bool isEmptyFolder(const WString& path) { return std::filesystem::is_empty(std::filesystem::path(path)); }

inline bool exists(const WString& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }
