#pragma once

#include <string>

#include "Platform.h"

namespace pack {

// The package's values read through libmsi, read-only.
PackageInfo readPackageWithLibmsi(const std::string& path);

} // namespace pack
