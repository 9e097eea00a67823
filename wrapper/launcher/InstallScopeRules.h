#pragma once

#include <optional>

#include "SetupFacts.h"
#include "tstrings.h"

// What the command line assigns to the properties that choose where a package
// installs, as msiexec.exe takes them: the last assignment of each name.
struct ScopeAssignments {
    std::optional<WString> allUsers;         // ALLUSERS
    std::optional<WString> msiInstallPerUser;  // MSIINSTALLPERUSER
    // Either name is assigned in another letter case: the installer takes it
    // for another property, a person may have meant it.
    bool otherCase = false;
};

// The scope msiexec.exe installs the package in, given the scope the package
// records and what the command line assigns; nothing where that cannot be told
// for sure (a per-machine package may have ALLUSERS 1 or 2, say, and
// MSIINSTALLPERUSER=1 makes only the second per-user).
std::optional<pack::InstallScope> scopeMsiexecUses(pack::InstallScope packageScope, const ScopeAssignments& tail);
