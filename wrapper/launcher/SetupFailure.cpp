#include "SetupFailure.h"

#include <windows.h>

#include <exception>

#include "ErrorHandling.h"
#include "FileUtils.h"
#include "InstallerLog.h"
#include "SetupResources.h"
#include "WinErrorHandling.h"
#include "WinSysInfo.h"

namespace {

WString failedStepText;

// The reason of the failure being handled: the system's own words for a failed
// system call, else the error's text.
WString reasonOfCurrentFailure(const std::string& message) {
    try {
        std::rethrow_exception(std::current_exception());
    } catch (const SysError& e) {
        return formatSystemMessage(e.errorCode(), nullptr, {e.subject()}) + L".";
    } catch (...) {
    }
    return tstrings::fromUtf8(message);
}

bool isDamagedSetup() {
    try {
        std::rethrow_exception(std::current_exception());
    } catch (const DamagedSetup&) {
        return true;
    } catch (...) {
    }
    return false;
}

WString withDetails(const WString& text, const WString& detailsFile) {
    return detailsFile.empty() ? text : text + L"\n\nThe details are in " + detailsFile + L".";
}

} // namespace

void noteFailedStep(const WString& what) {
    if (failedStepText.empty()) {
        failedStepText = what;
    }
}

WString damagedSetupText(const WString& detailsFile) {
    return withDetails(L"This setup program is damaged: download it again.", detailsFile);
}

WString failureText(const WString& failedStep, const WString& reason, const WString& detailsFile) {
    return withDetails(failedStep.empty() ? L"Setup failed: " + reason : L"Setup could not " + failedStep + L": " + reason,
                       detailsFile);
}

SetupFailureReporter::SetupFailureReporter(bool mayShowBox, std::optional<WString> logFile)
    : mayShowBox(mayShowBox), logFile(std::move(logFile)) {}

void SetupFailureReporter::report(const std::string& message) {
    const WString title = FileUtils::basename(SysInfo::getExecutablePath());
    const bool logged = logFile && appendToInstallerLog(*logFile, title + L": " + tstrings::fromUtf8(message) + L"\r\n");
    if (mayShowBox && SysInfo::hasInteractiveWindowStation()) {
        const WString details = logged ? *logFile : L"";
        const WString text = isDamagedSetup() ? damagedSetupText(details)
                                              : failureText(failedStepText, reasonOfCurrentFailure(message), details);
        MessageBoxW(nullptr, text.c_str(), title.c_str(), MB_ICONERROR);
    }
}
