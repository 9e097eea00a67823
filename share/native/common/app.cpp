#include "app.h"

#include <cstdio>
#include <memory>

#include "ErrorHandling.h"
#include "Log.h"
#include "WinSysInfo.h"

namespace {

// The debug log: one short line per record on the standard error stream.
class StandardLogAppender : public LogAppender {
public:
    constexpr StandardLogAppender() = default;
    void append(const LogRecord& record) override {
        writeLine(stderr, (tstrings::MessageBuilder() << L"[" << record.levelName << L"] " << record.fileName << L":"
                                                      << record.line << L": " << record.message)
                              .utf8());
    }
};

// Prints the message of the error being reported, once per record.
class LastErrorLogAppender : public LogAppender {
public:
    constexpr LastErrorLogAppender() = default;
    void append(const LogRecord&) override { writeLine(stderr, app::lastErrorText()); }
};

constinit NopLogAppender nopLogAppender;
constinit StandardLogAppender standardLogAppender;
constinit LastErrorLogAppender lastErrorStreamAppender;

const std::string* lastErrorMsg = nullptr;

class ResetLastErrorMsgAtEndOfScope {
public:
    ResetLastErrorMsgAtEndOfScope() = default;
    ResetLastErrorMsgAtEndOfScope(const ResetLastErrorMsgAtEndOfScope&) = delete;
    ResetLastErrorMsgAtEndOfScope& operator=(const ResetLastErrorMsgAtEndOfScope&) = delete;
    ~ResetLastErrorMsgAtEndOfScope() { lastErrorMsg = nullptr; }
};

// When the launcher is done, every further record also reaches the last-error appender.
class SetLoggerAtEndOfScope {
public:
    SetLoggerAtEndOfScope(std::unique_ptr<WithExtraLogAppender>& holder, LogAppender* lastErrorAppender)
        : holder(holder), lastErrorAppender(lastErrorAppender) {}
    SetLoggerAtEndOfScope(const SetLoggerAtEndOfScope&) = delete;
    SetLoggerAtEndOfScope& operator=(const SetLoggerAtEndOfScope&) = delete;
    ~SetLoggerAtEndOfScope() {
        try {
            auto extra = std::make_unique<WithExtraLogAppender>(*lastErrorAppender);
            holder.swap(extra);
        }
        CATCH_AND_REPORT
    }

private:
    std::unique_ptr<WithExtraLogAppender>& holder;
    LogAppender* lastErrorAppender;
};

} // namespace

namespace app {

bool isDebugMode() { return SysInfo::readEnvVariableOr(std::nothrow, L"TARNELL_DEBUG", L"") == L"true"; }

std::string lastErrorText() { return lastErrorMsg ? *lastErrorMsg : std::string(); }

LogAppender& lastErrorLogAppender() { return lastErrorStreamAppender; }

int launch(const std::nothrow_t&, LauncherFunc launcher, LogAppender* lastErrorAppender) {
    Logger::global().setAppender(isDebugMode() ? static_cast<LogAppender*>(&standardLogAppender) : &nopLogAppender);
    const ScopeTracer tracer(Logger::global(), Logger::Trace, SOURCE_POSITION, L"app::launch");
    if (lastErrorAppender == nullptr) {
        lastErrorAppender = &lastErrorStreamAppender;
    }

    std::unique_ptr<WithExtraLogAppender> holder;
    std::string message;
    const ResetLastErrorMsgAtEndOfScope resetLastErrorMsg;
    try {
        const SetLoggerAtEndOfScope setLogger(holder, lastErrorAppender);
        launcher();
        return 0;
    } catch (const AppErrorBase& e) {
        message = (tstrings::MessageBuilder() << tstrings::fromUtf8(e.plainMessage())).utf8();
        lastErrorMsg = &message;
        try {
            throw;
        }
        CATCH_AND_REPORT
    } catch (const std::runtime_error& e) {
        message = crtErrorText();
        lastErrorMsg = &message;
        reportError(SOURCE_POSITION, e);
    } catch (...) {
        message = "Unknown error";
        lastErrorMsg = &message;
        reportUnknownError(SOURCE_POSITION);
    }
    return 1;
}

} // namespace app
