#include "WinApp.h"

#include <windows.h>

#include <optional>
#include <string>

#include "ErrorHandling.h"
#include "FileUtils.h"
#include "Log.h"
#include "MsiexecSwitches.h"
#include "UniqueResource.h"
#include "WinErrorHandling.h"
#include "WinSysInfo.h"

namespace {

// Adds one line to the log file the command line asked msiexec.exe for: in
// UTF-16 when the file already is (it starts with that byte order mark), else in UTF-8.
void appendToLog(const WString& path, const WString& line) {
    const OwnedHandle file(CreateFileW(path.c_str(), FILE_APPEND_DATA | GENERIC_READ, FILE_SHARE_READ, nullptr,
                                       OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        THROW_SYS_ERROR("CreateFile(" << path << ") failed", CreateFileW);
    }
    unsigned char mark[2] = {};
    DWORD read = 0;
    const bool utf16 = ReadFile(file.get(), mark, sizeof(mark), &read, nullptr) && read == 2 && mark[0] == 0xFF &&
                       mark[1] == 0xFE;
    const std::string bytes = utf16 ? std::string(reinterpret_cast<const char*>(line.data()),
                                                  line.size() * sizeof(wchar_t))
                                    : tstrings::toUtf8(line);
    DWORD written = 0;
    if (!WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr)) {
        THROW_SYS_ERROR("Failed to write [" << path << "]", WriteFile);
    }
}

// Hands the last error to whoever may be waiting for it: the log file the
// command line names, and a message box titled with the executable's file name
// unless nobody is there to close it (a silent install, a service).
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
            const WStringList args = SysInfo::getCommandArgs();
            if (const std::optional<LogRequest> log = findLogRequest(args)) {
                // A log that cannot be written is reported, and the box still shows.
                try {
                    appendToLog(log->file, title + L": " + text + L"\r\n");
                }
                CATCH_AND_REPORT
            }
            if (!asksForNoModalUi(args) && SysInfo::hasInteractiveWindowStation()) {
                MessageBoxW(nullptr, text.c_str(), title.c_str(), MB_ICONERROR);
            }
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
