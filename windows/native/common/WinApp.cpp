#include "WinApp.h"

#include <windows.h>

#include <string>

#include "ErrorHandling.h"
#include "FileUtils.h"
#include "Log.h"
#include "WinSysInfo.h"

namespace {

// Hands the last error to the reporter once per record.
class LastErrorGuiLogAppender : public LogAppender {
public:
    explicit LastErrorGuiLogAppender(app::FailureReporter& reporter) : reporter(reporter) {}

    void append(const LogRecord&) override {
        // A report made while the failure is reported comes back through this appender.
        if (reporting) {
            return;
        }
        reporting = true;
        try {
            reporter.report(app::lastErrorText());
        }
        CATCH_AND_REPORT
        reporting = false;
    }

private:
    app::FailureReporter& reporter;
    bool reporting = false;
};

} // namespace

Console::Channel::Channel(FILE* stream) : stream(stream) {
    const bool input = stream == stdin;
    FILE* reopenedStream = nullptr;
    freopen_s(&reopenedStream, input ? "CONIN$" : "CONOUT$", input ? "r" : "w", stream);
    reopened.reset(reopenedStream);
}

Console::Channel::~Channel() = default;

Console::Console() {
    if (!AttachConsole(ATTACH_PARENT_PROCESS) && !AllocConsole()) {
        return;
    }
    out = std::make_unique<Channel>(stdout);
    err = std::make_unique<Channel>(stderr);
}

Console::~Console() = default;

namespace app {

void MessageBoxReporter::report(const std::string& message) {
    if (SysInfo::hasInteractiveWindowStation()) {
        const WString title = FileUtils::basename(SysInfo::getExecutablePath());
        MessageBoxW(nullptr, tstrings::fromUtf8(message).c_str(), title.c_str(), MB_ICONERROR);
    }
}

int wlaunch(const std::nothrow_t&, LauncherFunc launcher, FailureReporter* reporter) {
    std::unique_ptr<Console> console;
    try {
        if (isDebugMode()) {
            console = std::make_unique<Console>();
        }
    }
    CATCH_AND_REPORT

    MessageBoxReporter messageBox;
    LastErrorGuiLogAppender guiAppender(reporter != nullptr ? *reporter : messageBox);
    TeeLogAppender tee(&lastErrorLogAppender(), &guiAppender);
    return launch(std::nothrow, launcher, &tee);
}

} // namespace app
