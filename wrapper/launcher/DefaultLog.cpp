#include "DefaultLog.h"

#include <algorithm>

#include "FileUtils.h"
#include "Log.h"
#include "SetupResources.h"
#include "Timestamp.h"
#include "UniqueResource.h"
#include "WinSysInfo.h"

namespace {

constexpr size_t maxNameLength = 64;

bool isForbiddenInNames(wchar_t c) { return c < L' ' || WString(L"<>:\"/\\|?*").find(c) != WString::npos; }

} // namespace

WString defaultLogStem(const WString& name) {
    WString safe;
    for (const wchar_t c : name.substr(0, maxNameLength)) {
        safe += isForbiddenInNames(c) ? L'_' : c;
    }
    // Half a character pair would make the name invalid UTF-16.
    if (!safe.empty() && IS_HIGH_SURROGATE(safe.back())) {
        safe.pop_back();
    }
    safe.erase(0, std::min(safe.find_first_not_of(L' '), safe.size()));
    while (!safe.empty() && (safe.back() == L'.' || safe.back() == L' ')) {
        safe.pop_back();
    }
    return safe.empty() ? L"Setup" : safe;
}

namespace {

// Makes the file new; a name taken already (two runs in one second) gets a number.
std::optional<WString> createLogFile(const WString& folder, const WString& name) {
    const WString stem = name.substr(0, name.size() - 4);
    for (int attempt = 1; attempt <= 9; ++attempt) {
        const WString path =
            FileUtils::joinPath(folder, attempt == 1 ? name : (tstrings::MessageBuilder() << stem << L"_" << attempt << L".log").str());
        const OwnedHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                           CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file) {
            return path;
        }
        if (GetLastError() != ERROR_FILE_EXISTS) {
            LOG_INFO("No log of its own: [" << path << "] cannot be made: system error " << GetLastError());
            return std::nullopt;
        }
    }
    return std::nullopt;
}

WString logSwitchFor(const WString& file) { return L"/l*v \"" + file + L"\""; }

WString withSwitch(const WString& tail, const WString& added) { return tail.empty() ? added : tail + L" " + added; }

} // namespace

WString defaultLogName(const WString& productName, const SYSTEMTIME& time) {
    return defaultLogStem(productName) + L"_" + compactTimestamp(time) + L".log";
}

RunLog logOfRun(const WString& tail, const MsiexecArguments& arguments, const std::optional<pack::SetupFacts>& facts) {
    if (std::optional<LogRequest> typed = arguments.logRequest()) {
        return {std::move(typed), false};
    }
    if (!facts || !facts->defaultLog) {
        return {};
    }
    try {
        SYSTEMTIME now{};
        GetLocalTime(&now);
        const WString name = defaultLogName(toWide(facts->productName), now);
        const WString folder = SysInfo::getTempDirectory();
        // What msiexec.exe makes of the switch added for it, an uninstall does too.
        const std::optional<LogRequest> added =
            MsiexecArguments(withSwitch(tail, logSwitchFor(FileUtils::joinPath(folder, name)))).logRequest();
        if (!added || added->file != FileUtils::joinPath(folder, name)) {
            LOG_INFO("No log of its own: the command line would swallow the switch for it");
            return {};
        }
        if (const std::optional<WString> file = createLogFile(folder, name)) {
            LOG_INFO("The installer's log goes to [" << *file << "]");
            return {MsiexecArguments(logSwitchFor(*file)).logRequest(), true};
        }
    } catch (const std::exception& e) {
        LOG_INFO("No log of its own: " << e.what());
    }
    return {};
}

WString withDefaultLog(const WString& tail, const RunLog& log) {
    return log.isDefault ? withSwitch(tail, logSwitchFor(log.request->file)) : tail;
}
