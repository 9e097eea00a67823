// The launcher: installs the package it carries through msiexec.exe, or
// removes the product it carries when asked with "uninstall".
#include <windows.h>

#include <optional>

#include "CommandTail.h"
#include "Install.h"
#include "MsiexecSwitches.h"
#include "SelfElevation.h"
#include "SetupFailure.h"
#include "SetupHelp.h"
#include "SetupResources.h"
#include "Uninstall.h"
#include "WinApp.h"

namespace {

int exitCode = -1;

// The command line as the system handed it over, and what it asks for as
// msiexec.exe reads it: every decision of the launcher is taken on this one reading.
struct Request {
    WString tail;
    MsiexecArguments arguments;
};
const Request* request = nullptr;

// What the setup records of its package decides both whether it elevates itself and where the package goes.
DWORD install() {
    const std::optional<pack::SetupFacts> facts = setupStep(L"read what it records of its package", SetupResources::facts);
    if (const std::optional<DWORD> elevated = installElevatedIfItHelps(request->tail, request->arguments, facts)) {
        return *elevated;
    }
    return installPackage(request->tail, request->arguments, facts);
}

void wrapperMain() {
    if (request->arguments.asksForHelp()) {
        showSetupHelp();
        exitCode = 0;
    } else if (request->arguments.asksToUninstall()) {
        exitCode = static_cast<int>(uninstallProduct(request->arguments));
    } else {
        exitCode = static_cast<int>(install());
    }
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
    // msi.dll and its kin are not known DLLs: never look for them beside the executable.
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    const WString tail = commandTail(GetCommandLineW());
    const Request read{tail, MsiexecArguments(tail)};
    request = &read;
    // A silent run and an uninstall never wait on a window; a failure goes to the log msiexec.exe is given.
    const std::optional<LogRequest> log = read.arguments.logRequest();
    SetupFailureReporter reporter(!read.arguments.asksForNoModalUi() && !read.arguments.asksToUninstall(),
                                  log ? std::optional<WString>(log->file) : std::nullopt);
    app::wlaunch(std::nothrow, wrapperMain, &reporter);
    return exitCode;
}
