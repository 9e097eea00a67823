#pragma once

#include <windows.h>

#include <optional>

#include "DefaultLog.h"
#include "MsiexecSwitches.h"
#include "SetupFacts.h"

// Writes the package this setup carries, with its cabinets, to a folder of its
// own (which facts, what the setup records of its package, decide), has
// msiexec.exe install it with the command tail passed on as typed (then the
// switch for the setup's own log, if the run has one), and returns msiexec's
// exit code.
DWORD installPackage(const WString& tail, const MsiexecArguments& arguments,
                     const std::optional<pack::SetupFacts>& facts, const RunLog& log);
