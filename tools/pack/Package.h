#pragma once

#include "Guid.h"
#include "tstrings.h"

// What a setup program takes from the package it carries.
struct PackageInfo {
    Guid productCode;
    WString productName;
    WString productVersion;
    WString manufacturer;
};

// Refuses a file that is not an installer package, and a package without a
// ProductCode that is a GUID; the other properties may be absent (empty).
PackageInfo readPackageInfo(const WString& path);
