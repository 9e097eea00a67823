#pragma once

#include <optional>

#include "InstallScopeRules.h"
#include "SetupFacts.h"
#include "tstrings.h"

// Where the launcher writes the package for msiexec.exe. The installer records
// that folder as the product's source and goes back to it for a repair, so a
// package that may install with a kept copy goes to a protected cache.
enum class PackageLocation { TemporaryFolder, MachineCache, UserCache };

struct LocationChoice {
    PackageLocation location;
    const wchar_t* reason;  // for the debug log
};

// facts: nothing for a setup that records none; tail: what the command line
// assigns to the properties that choose the install's scope.
LocationChoice choosePackageLocation(const std::optional<pack::SetupFacts>& facts, const ScopeAssignments& tail,
                                     bool elevated);

// "{PRODUCT-CODE}v1.2.3": the product folder in a cache, one per product and
// version. Nothing when the version cannot be part of a folder name (only
// digits and dots, as the installer writes versions, are taken).
std::optional<WString> cacheFolderName(const WString& productCode, const WString& productVersion);

// The product folder's name is one of the product's, whatever its version.
bool isFolderOfProduct(const WString& folderName, const WString& productCode);

// The product code a cache folder's name starts with; nothing for another name.
std::optional<WString> productCodeOfFolder(const WString& folderName);
