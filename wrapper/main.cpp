// The launcher: installs the package it carries through msiexec.exe, or
// removes the product it carries when asked with "uninstall".
#include <windows.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "CabinetList.h"
#include "CommandTail.h"
#include "Executor.h"
#include "Guid.h"
#include "LockedFile.h"
#include "MsiUtils.h"
#include "MsiexecSwitches.h"
#include "PrivateSecurity.h"
#include "Resources.h"
#include "TreeRemoval.h"
#include "UniqueResource.h"
#include "WinApp.h"
#include "WinErrorHandling.h"
#include "WinFileUtils.h"
#include "WinSysInfo.h"

namespace {

int exitCode = -1;

HMODULE ownModule() { return SysInfo::getCurrentModuleHandle(); }

void uninstallProduct(const WStringList& args) {
    const std::vector<BYTE> text = Resource(L"product_code", RT_RCDATA, ownModule()).bytes();
    const Guid productCode(std::string(text.begin(), text.end()));
    const msi::UiLevelGuard uiLevel(INSTALLUILEVEL_NONE);
    msi::uninstall removal;
    removal.productCode(productCode);
    // The installer's log, when the command line asks for one as msiexec.exe would be asked.
    if (const std::optional<LogRequest> log = findLogRequest(args)) {
        removal.logFile = log->file;
        removal.logModes = log->modes;
        removal.logAttributes = log->attributes;
    }
    exitCode = static_cast<int>(msi::action<msi::uninstall>(removal)(std::nothrow).getStatus());
}

WStringList cabinetNames() {
    const Resource list(L"cabinets", RT_RCDATA, ownModule());
    if (!list.exists()) {
        return {};
    }
    const std::vector<BYTE> text = list.bytes();
    return parseCabinetList(std::string(text.begin(), text.end()));
}

// Each file stays locked against changes until msiexec.exe is done with it.
OwnedHandle extract(const Resource& resource, const WString& path) {
    DWORD size = 0;
    const LPCVOID data = resource.getPtr(size);
    return writeLockedFile(path, data, size);
}

void installPackage() {
    // Before anything is made: a launcher that cannot work fails with nothing to clean up.
    const WString tail = unquoteWholeAssignments(commandTail(GetCommandLineW()));
    const WStringList cabinets = cabinetNames();
    const bool elevated = SysInfo::isElevated();
    const WString tempDir = FileUtils::createTempDirectory(L"", L".tmp", SysInfo::getTempDirectory(),
                                                           PrivateSecurity(elevated).attributes());
    const TreeRemovalScope cleanup(tempDir);

    // Written in its final place: nobody else has had a chance to use the new folder.
    const WString package = FileUtils::PathBuilder(tempDir).append(L"main.msi");
    // Released before the removal scope deletes the folder.
    std::vector<OwnedHandle> locks;
    locks.push_back(extract(Resource(L"msi", RT_RCDATA, ownModule()), package));
    for (size_t i = 0; i < cabinets.size(); ++i) {
        const Resource cabinet(static_cast<UINT16>(i + 1), RT_RCDATA, ownModule());
        locks.push_back(extract(cabinet, FileUtils::PathBuilder(tempDir).append(cabinets[i])));
    }

    // msiexec.exe reads its command line by rules of its own: the user's is passed on as typed.
    Executor msiexec(SysInfo::getMsiexecPath());
    msiexec.arg(L"/i").arg(package).verbatimTail(tail);
    exitCode = static_cast<int>(msiexec.execAndWaitForExit());
}

void wrapperMain() {
    const WStringList args = SysInfo::getCommandArgs(SysInfo::AfterProgramName);
    if (std::find(args.begin(), args.end(), L"uninstall") != args.end()) {
        uninstallProduct(args);
    } else {
        installPackage();
    }
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
    // msi.dll and its kin are not known DLLs: never look for them beside the executable.
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    app::wlaunch(std::nothrow, wrapperMain);
    return exitCode;
}
