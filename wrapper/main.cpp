// The launcher: installs the package it carries through msiexec.exe, or
// removes the product it carries when asked with "uninstall".
#include <windows.h>

#include <optional>

#include "CommandTail.h"
#include "DefaultLog.h"
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
SetupFailureReporter* failureReporter = nullptr;

std::optional<pack::SetupFacts> readFacts() {
    return setupStep(L"read what it records of its package", SetupResources::facts);
}

// The run's log, once the setup knows whether it writes one of its own: a
// failure of the launcher is told there too.
RunLog openRunLog(const std::optional<pack::SetupFacts>& facts) {
    RunLog log = logOfRun(request->tail, request->arguments, facts);
    if (log.isDefault) {
        failureReporter->useLog(log.request->file);
    }
    return log;
}

// What the setup records of its package decides both whether it elevates itself and where the package goes.
DWORD install() {
    const std::optional<pack::SetupFacts> facts = readFacts();
    if (const std::optional<DWORD> elevated = installElevatedIfItHelps(request->tail, request->arguments, facts)) {
        return *elevated;
    }
    return installPackage(request->tail, request->arguments, facts, openRunLog(facts));
}

DWORD uninstall() {
    const Guid productCode = setupStep(L"read the product code it carries", SetupResources::productCode);
    const std::optional<pack::SetupFacts> facts = readFacts();
    return uninstallProduct(productCode, facts, openRunLog(facts));
}

void wrapperMain() {
    if (request->arguments.asksForHelp()) {
        showSetupHelp();
        exitCode = 0;
    } else if (request->arguments.asksToUninstall()) {
        exitCode = static_cast<int>(uninstall());
    } else {
        try {
            exitCode = static_cast<int>(install());
        } catch (const DamagedSetup&) {
            // As msiexec.exe ends on a package it cannot open; the launch frame reports it.
            exitCode = ERROR_INSTALL_PACKAGE_INVALID;
            throw;
        }
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
    failureReporter = &reporter;
    app::wlaunch(std::nothrow, wrapperMain, &reporter);
    return exitCode;
}
