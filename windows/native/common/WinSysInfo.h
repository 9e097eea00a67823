#pragma once

#include <windows.h>

#include <shtypes.h>
#include <knownfolders.h>

#include <new>
#include <vector>

#include "tstrings.h"

namespace SysInfo {

enum ArgsStart { FromProgramName = 0, AfterProgramName = 1 };

WStringList getCommandArgs(ArgsStart start = AfterProgramName);

void setEnvVariable(const WString& name, const WString& value);
WString readEnvVariable(const WString& name);
WString readEnvVariableOr(std::nothrow_t, const WString& name, const WString& defaultValue);
bool hasEnvVariable(const WString& name);

WString getSystemDirectoryPath();
// A folder the shell knows by id (FOLDERID_ProgramData, ...), read from the
// system's settings rather than from an environment variable anyone may set.
WString getKnownFolderPath(const KNOWNFOLDERID& id);
WString getMsiexecPath();
// Raises when the system gives no temporary-files directory.
WString getTempDirectory();

// What GetTokenInformation tells of this process's token; name is the class's,
// for the error text.
std::vector<BYTE> getProcessTokenInformation(TOKEN_INFORMATION_CLASS what, const char* name);
// A SID as its string form ("S-1-5-21-...").
WString sidText(PSID sid);
// The process's user as a SID string.
WString currentUserSid();
// The process runs with an elevated token (as an administrator, past the consent prompt).
bool isElevated();
// Limited: an administrator's filtered token, which the consent prompt can raise;
// Default: a standard user, or an administrator where UAC is off; Full: elevated.
TOKEN_ELEVATION_TYPE tokenElevationType();
// Session 0 holds the services: nobody there answers a prompt.
bool isInSessionZero();
// Someone can see a window this process shows: not a service, not session 0.
bool hasInteractiveWindowStation();

WString getCurrentDirectory();

HMODULE getCurrentModuleHandle();
WString getExecutablePath();
WString getOwnModulePath();

} // namespace SysInfo
