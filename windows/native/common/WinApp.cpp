#include "WinApp.h"

#include <windows.h>

#include "ErrorHandling.h"
#include "FileUtils.h"
#include "Log.h"
#include "WinSysInfo.h"

namespace {

// Shows the last error in a message box titled with the executable's file name.
class LastErrorGuiLogAppender : public LogAppender {
public:
    void append(const LogRecord&) override {
        // A report made while the box is prepared comes back through this appender.
        if (showing) {
            return;
        }
        showing = true;
        try {
            const WString text = tstrings::fromUtf8(app::lastErrorText());
            const WString title = FileUtils::basename(SysInfo::getExecutablePath());
            MessageBoxW(nullptr, text.c_str(), title.c_str(), MB_ICONERROR);
        }
        CATCH_AND_REPORT
        showing = false;
    }

private:
    bool showing = false;
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

int wlaunch(const std::nothrow_t&, LauncherFunc launcher) {
    std::unique_ptr<Console> console;
    try {
        if (isDebugMode()) {
            console = std::make_unique<Console>();
        }
    }
    CATCH_AND_REPORT

    LastErrorGuiLogAppender guiAppender;
    TeeLogAppender tee(&lastErrorLogAppender(), &guiAppender);
    return launch(std::nothrow, launcher, &tee);
}

} // namespace app
