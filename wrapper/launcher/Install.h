#pragma once

#include <windows.h>

#include "MsiexecSwitches.h"

// Writes the package this setup carries, with its cabinets, to a folder of its
// own, has msiexec.exe install it with the command tail passed on as typed,
// and returns msiexec's exit code.
DWORD installPackage(const WString& tail, const MsiexecArguments& arguments);
