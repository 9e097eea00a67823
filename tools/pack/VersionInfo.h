#pragma once

#include <windows.h>

#include <vector>

#include "Package.h"

// The version resource of a setup program that carries package and is named
// fileName: what Explorer shows in the file's properties and what a UAC prompt
// names the program by.
std::vector<BYTE> versionResource(const PackageInfo& package, const WString& fileName);

// The version as the four 16-bit fields of a fixed version, most significant
// first; 0 unless text is one to four dot-separated numbers below 65536.
ULONGLONG parseVersion(const WString& text);
