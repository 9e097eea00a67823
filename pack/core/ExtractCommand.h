#pragma once

#include <string>

#include "Platform.h"

namespace pack {

// `extract`: writes the package a setup program carries (under its original
// name, or main.msi) and each of its cabinets into folder, made when missing.
// Refuses, before writing anything, a file that is not a setup program made
// by tarnell-pack and names the launcher would refuse; without force, also
// any file that is there already. Either every file is written or none, and
// a folder it made is removed again. Returns what it prints.
std::string extract(const std::string& setup, const std::string& folder, bool force, Platform& platform);

} // namespace pack
