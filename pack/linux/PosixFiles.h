#pragma once

#include <memory>
#include <string>

#include "Platform.h"

namespace pack {

std::unique_ptr<InputFile> openPosixInput(const std::string& path);
std::unique_ptr<OutputFile> createPosixOutput(const std::string& path);
FileStatus posixStatusOf(const std::string& path);
void createPosixFolder(const std::string& path);
void removeEmptyPosixFolder(const std::string& path);
// "." for a bare file name.
std::string posixFolderOf(const std::string& path);
// "." when the current folder has no path (it was removed).
std::string posixCurrentFolder();

} // namespace pack
