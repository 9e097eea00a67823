#pragma once

#include <windows.h>

#include <optional>

#include "tstrings.h"

// What msiexec.exe switches among the launcher's arguments ask for. Switches
// start with "/" or "-" and are matched without regard to letter case.

// A user interface with no modal dialog: /q, /qn, /qn-, /qb-, /quiet,
// /passive and the like. /qn+ and /qb+ end with a modal dialog: someone is there.
bool asksForNoModalUi(const WStringList& args);

// A log file named by /l<modes> <file> or /log <file>.
struct LogRequest {
    WString file;
    DWORD modes;       // INSTALLLOGMODE_* bits
    DWORD attributes;  // INSTALLLOGATTRIBUTES_* bits
};
std::optional<LogRequest> findLogRequest(const WStringList& args);
