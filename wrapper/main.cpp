// The launcher: installs the package it carries through msiexec.exe, or
// removes the product it carries when asked with "uninstall".
#include <windows.h>

#include <algorithm>

#include "Executor.h"
#include "Guid.h"
#include "MsiUtils.h"
#include "PrivateSecurity.h"
#include "Resources.h"
#include "UniqueResource.h"
#include "WinApp.h"
#include "WinErrorHandling.h"
#include "WinFileUtils.h"
#include "WinSysInfo.h"

namespace {

int exitCode = -1;

HMODULE ownModule() { return SysInfo::getCurrentModuleHandle(); }

void uninstallProduct() {
    const std::vector<BYTE> text = Resource(L"product_code", RT_RCDATA, ownModule()).bytes();
    const Guid productCode(std::string(text.begin(), text.end()));
    const msi::UiLevelGuard uiLevel(INSTALLUILEVEL_NONE);
    exitCode = static_cast<int>(msi::action<msi::uninstall>(msi::uninstall().productCode(productCode))(std::nothrow).getStatus());
}

// Read sharing only: while the handle is open nobody can change, replace or
// delete the package, and msiexec.exe can still read it.
OwnedHandle lockAgainstChanges(const WString& path) {
    OwnedHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        THROW_SYS_ERROR("CreateFile(" << path << ") failed", CreateFileW);
    }
    return file;
}

void installPackage() {
    // Nobody else may look into the directory or put anything there.
    const PrivateSecurity privateAccess;
    const WString tempDir =
        FileUtils::createTempDirectory(L"", L".tmp", SysInfo::getTempDirectory(), privateAccess.attributes());
    FileUtils::DeletionScope cleanup;
    cleanup.addDirectoryTree(tempDir);

    const WString package = FileUtils::PathBuilder(tempDir).append(L"main.msi");
    Resource(L"msi", RT_RCDATA, ownModule()).writeTo(package);
    // Released before the deletion scope removes the directory.
    const OwnedHandle packageLock = lockAgainstChanges(package);

    Executor msiexec(SysInfo::getMsiexecPath());
    msiexec.arg(L"/i").arg(package);
    for (const WString& arg : SysInfo::getCommandArgs(SysInfo::AfterProgramName)) {
        msiexec.arg(arg);
    }
    exitCode = static_cast<int>(msiexec.execAndWaitForExit());
}

void wrapperMain() {
    const WStringList args = SysInfo::getCommandArgs(SysInfo::AfterProgramName);
    if (std::find(args.begin(), args.end(), L"uninstall") != args.end()) {
        uninstallProduct();
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
