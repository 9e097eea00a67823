#pragma once

#include <windows.h>

#include <shellapi.h>

#include <optional>

#include "MsiexecSwitches.h"
#include "SetupFacts.h"

// How a copy of the setup is started through the shell; "runas" shows the consent prompt.
struct ShellStart {
    const wchar_t* verb = L"runas";
    BOOL(WINAPI* start)(SHELLEXECUTEINFOW*) = ShellExecuteExW;
};

// Starts program through the shell with the command tail as typed, in
// directory, waits for it and returns its exit code. A start the user refused
// at the consent prompt ends as 1602, as msiexec.exe ends an install the user
// cancelled; a start the system refused for any other reason (a policy that
// elevates only signed programs, a program moved away) gives nothing.
std::optional<DWORD> startAndWait(const WString& program, const WString& tail, const WString& directory,
                                  const ShellStart& how = {});

// Runs this setup again with administrator rights, the same tail in the same
// directory, when chooseSelfElevation (SelfElevationRules.h) says it helps, and
// returns that run's exit code; nothing when this process installs itself,
// also when the system would not start the elevated copy: msiexec.exe then
// asks for the rights itself, as it would have without this setup.
std::optional<DWORD> installElevatedIfItHelps(const WString& tail, const MsiexecArguments& arguments,
                                              const std::optional<pack::SetupFacts>& facts);
