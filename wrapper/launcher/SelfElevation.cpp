#include "SelfElevation.h"

#include "Log.h"
#include "SelfElevationRules.h"
#include "SetupFailure.h"
#include "UniqueResource.h"
#include "WinErrorHandling.h"
#include "WinFileUtils.h"
#include "WinSysInfo.h"

namespace {

SelfElevationRequest requestOf(const MsiexecArguments& arguments, const std::optional<pack::SetupFacts>& facts) {
    return {facts ? std::optional(facts->scope) : std::nullopt, facts ? facts->elevation : pack::ElevationPolicy::Auto,
            arguments.asksForNoModalUi(), arguments.asksToUninstall() || arguments.asksForHelp(),
            arguments.setsInstallScope()};
}

SelfElevationSituation situationOf(const WString& program, const WString& directory) {
    return {SysInfo::tokenElevationType(), SysInfo::isInSessionZero(), SysInfo::hasInteractiveWindowStation(),
            FileUtils::isOnNetwork(directory) || FileUtils::isOnNetwork(program),
            SysInfo::hasEnvVariable(L"TARNELL_DEBUG")};
}

void logChoice(const SelfElevationChoice& choice) {
    LOG_INFO((choice.relaunch ? "Starting again with administrator rights: " : "No elevation up front: ")
             << choice.reason);
}

DWORD exitCodeOf(HANDLE process) {
    DWORD exitCode = 0;
    if (WaitForSingleObject(process, INFINITE) == WAIT_FAILED) {
        THROW_SYS_ERROR("WaitForSingleObject() failed", WaitForSingleObject);
    }
    if (!GetExitCodeProcess(process, &exitCode)) {
        THROW_SYS_ERROR("GetExitCodeProcess() failed", GetExitCodeProcess);
    }
    return exitCode;
}

} // namespace

std::optional<DWORD> startAndWait(const WString& program, const WString& tail, const WString& directory,
                                  const ShellStart& how) {
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof(info);
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
    // The window the user started the setup from: the prompt comes to the front
    // over it instead of waiting in the taskbar.
    info.hwnd = GetForegroundWindow();
    info.lpVerb = how.verb;
    info.lpFile = program.c_str();
    info.lpParameters = tail.c_str();
    info.lpDirectory = directory.c_str();
    info.nShow = SW_SHOWNORMAL;
    if (!how.start(&info)) {
        const DWORD error = GetLastError();
        if (error == ERROR_CANCELLED) {
            return ERROR_INSTALL_USEREXIT;
        }
        LOG_INFO("Installing without elevation up front: the system would not start the elevated copy: "
                 << formatSystemMessage(error));
        return std::nullopt;
    }
    const OwnedHandle process(info.hProcess);
    return exitCodeOf(process.get());
}

std::optional<DWORD> installElevatedIfItHelps(const WString& tail, const MsiexecArguments& arguments,
                                              const std::optional<pack::SetupFacts>& facts) {
    const SelfElevationRequest request = requestOf(arguments, facts);
    if (const std::optional<SelfElevationChoice> refusal = refusalByRequest(request)) {
        logChoice(*refusal);
        return std::nullopt;
    }
    const WString program = SysInfo::getExecutablePath();
    const WString directory = SysInfo::getCurrentDirectory();
    const SelfElevationChoice choice = chooseSelfElevation(request, situationOf(program, directory));
    logChoice(choice);
    if (!choice.relaunch) {
        return std::nullopt;
    }
    return setupStep(L"start itself with administrator rights", [&] { return startAndWait(program, tail, directory); });
}
