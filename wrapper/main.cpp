// The launcher: installs the package it carries through msiexec.exe, or
// removes the product it carries when asked with "uninstall".
#include <windows.h>

#include <optional>
#include <vector>

#include "CommandTail.h"
#include "Executor.h"
#include "LockedFile.h"
#include "MsiUtils.h"
#include "MsiexecSwitches.h"
#include "PrivateSecurity.h"
#include "SetupFailure.h"
#include "SetupHelp.h"
#include "SetupResources.h"
#include "TreeRemoval.h"
#include "UniqueResource.h"
#include "WinApp.h"
#include "WinFileUtils.h"
#include "WinSysInfo.h"

namespace {

int exitCode = -1;

// The command line as the system handed it over, and what it asks for as
// msiexec.exe reads it: every decision of the launcher is taken on this one reading.
struct Request {
    WString tail;
    MsiexecArguments arguments;
};
const Request* request = nullptr;

void uninstallProduct() {
    const Guid productCode = setupStep(L"read the product code it carries", SetupResources::productCode);
    const msi::UiLevelGuard uiLevel(INSTALLUILEVEL_NONE);
    msi::uninstall removal;
    removal.productCode(productCode);
    // The installer's log, when the command line asks for one as msiexec.exe would be asked.
    if (const std::optional<LogRequest> log = request->arguments.logRequest()) {
        removal.logFile = log->file;
        removal.logModes = log->modes;
        removal.logAttributes = log->attributes;
    }
    exitCode = static_cast<int>(msi::action<msi::uninstall>(removal)(std::nothrow).getStatus());
}

// Each file stays locked against changes until msiexec.exe is done with it.
OwnedHandle extract(const Resource& resource, const WString& path) {
    DWORD size = 0;
    const LPCVOID data = resource.getPtr(size);
    return writeLockedFile(path, data, size);
}

void installPackage() {
    // Before anything is made: a launcher that cannot work fails with nothing to clean up.
    const WString tail = unquoteWholeAssignments(request->tail);
    const WStringList cabinets = setupStep(L"read the list of cabinets it carries", SetupResources::cabinetNames);
    const bool elevated = SysInfo::isElevated();
    const WString temp = setupStep(L"find the temporary folder", SysInfo::getTempDirectory);
    const WString tempDir = setupStep(L"create a temporary folder in " + temp, [&] {
        return FileUtils::createTempDirectory(L"", L".tmp", temp, PrivateSecurity(elevated).attributes());
    });
    const TreeRemovalScope cleanup(tempDir);

    // Written in its final place: nobody else has had a chance to use the new folder.
    const WString package = FileUtils::PathBuilder(tempDir).append(L"main.msi");
    // Released before the removal scope deletes the folder.
    std::vector<OwnedHandle> locks;
    setupStep(L"write the package to " + tempDir, [&] {
        locks.push_back(extract(SetupResources::package(), package));
        for (size_t i = 0; i < cabinets.size(); ++i) {
            locks.push_back(extract(SetupResources::cabinet(i), FileUtils::PathBuilder(tempDir).append(cabinets[i])));
        }
    });

    // msiexec.exe reads its command line by rules of its own: the user's is passed on as typed.
    Executor msiexec(SysInfo::getMsiexecPath());
    msiexec.arg(L"/i").arg(package).verbatimTail(tail);
    exitCode = static_cast<int>(setupStep(L"start the Windows Installer", [&] { return msiexec.execAndWaitForExit(); }));
}

void wrapperMain() {
    if (request->arguments.asksForHelp()) {
        showSetupHelp();
        exitCode = 0;
    } else if (request->arguments.asksToUninstall()) {
        uninstallProduct();
    } else {
        installPackage();
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
