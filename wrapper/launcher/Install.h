#pragma once

#include <windows.h>

#include <optional>

#include "MsiexecSwitches.h"
#include "SetupFacts.h"

// Writes the package this setup carries, with its cabinets, to a folder of its
// own (which facts, what the setup records of its package, decide), has
// msiexec.exe install it with the command tail passed on as typed, and returns
// msiexec's exit code.
DWORD installPackage(const WString& tail, const MsiexecArguments& arguments,
                     const std::optional<pack::SetupFacts>& facts);
