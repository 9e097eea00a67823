#pragma once

#include <windows.h>

#include <optional>
#include <vector>

#include "InstallScopeRules.h"
#include "MsiexecTokens.h"

// A log file named by /l<modes> <file> or /log <file>.
struct LogRequest {
    WString file;
    DWORD modes;       // INSTALLLOGMODE_* bits
    DWORD attributes;  // INSTALLLOGATTRIBUTES_* bits
};

// What the launcher's command-line tail asks for, read as msiexec.exe reads it
// (see MsiexecTokens.h), so that the launcher never decides on another reading
// of the line than the installer's. Switches start with "/" or "-" and are
// named without regard to letter case.
class MsiexecArguments {
public:
    explicit MsiexecArguments(const WString& tail);

    // A user interface with no modal dialog: /q, /qn, /qn-, /qb-, /quiet,
    // /passive and the like. /qn+ and /qb+ end with a modal dialog: someone is there.
    bool asksForNoModalUi() const;
    // The log file msiexec.exe writes: the last log switch followed by a file.
    std::optional<LogRequest> logRequest() const;
    // The word uninstall as a whole token, unquoted and in lower case.
    bool asksToUninstall() const;
    // /?, /h or /help alone, in either switch form.
    bool asksForHelp() const;
    // ALLUSERS or MSIINSTALLPERUSER is set, in any letter case, which chooses
    // where the package installs.
    bool setsInstallScope() const;
    // What the line assigns to those two.
    ScopeAssignments scopeAssignments() const;

private:
    std::vector<MsiexecToken> tokens;
};
