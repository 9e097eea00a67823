#pragma once

#include <windows.h>

#include <cstdio>
#include <iosfwd>

#include "SourcePosition.h"
#include "tstrings.h"

// One log event as appenders see it.
struct LogRecord {
    SYSTEMTIME time{};
    DWORD threadId = 0;
    DWORD processId = 0;
    const wchar_t* moduleName = nullptr;
    WString levelName;
    WString fileName;
    int line = 0;
    WString functionName;
    WString message;

    void appendPrefix(WString& buffer) const;
    // "[" prefix, position and function "]", a line feed, a tab, then level and message.
    WString twoLineText() const;
};

class LogAppender {
public:
    virtual ~LogAppender() = default;
    virtual void append(const LogRecord& record) = 0;
};

// Writes each record as two lines (LogRecord::twoLineText) to a standard library stream.
// Defined in a file of its own, so that programs that never use it carry no stream code.
class StreamLogAppender : public LogAppender {
public:
    constexpr explicit StreamLogAppender(std::ostream& stream) : stream(&stream) {}
    void append(const LogRecord& record) override;

private:
    std::ostream* stream;
};

// The same two lines through a C runtime stream; the logger's start-up output on stdout.
class StdioLogAppender : public LogAppender {
public:
    constexpr explicit StdioLogAppender(FILE* stream) : stream(stream) {}
    void append(const LogRecord& record) override;

private:
    FILE* stream;
};

// Writes text and a line feed, then flushes; output errors are ignored.
void writeLine(FILE* stream, const std::string& text);

class TeeLogAppender : public LogAppender {
public:
    constexpr TeeLogAppender(LogAppender* first, LogAppender* second) : first(first), second(second) {}
    void append(const LogRecord& record) override;

private:
    LogAppender* first;
    LogAppender* second;
};

class NopLogAppender : public LogAppender {
public:
    constexpr NopLogAppender() = default;
    void append(const LogRecord&) override {}
};

class Logger {
public:
    enum Level { Trace = 0, Info = 1, Warning = 2, Error = 3 };

    // The process-wide logger: zero-initialised static storage, no constructor runs.
    static Logger& global();

    bool accepts(Level level) const { return level >= threshold; }

    // Hands one record to the current appender; does not check the level.
    void log(Level level, const wchar_t* file, int line, const wchar_t* function, const WString& message);
    void log(Level level, const SourcePosition& pos, const WString& message);

    LogAppender* setAppender(LogAppender* newAppender);
    LogAppender* appender() const { return currentAppender; }

    constexpr Logger() = default;
    Logger(const Logger&) = delete;
    Logger& operator=(const Logger&) = delete;

private:
    Level threshold = Trace;
    LogAppender* currentAppender = nullptr;
};

const wchar_t* levelName(Logger::Level level);

// While it lives, the global logger writes to a tee of its previous appender and an extra one.
class WithExtraLogAppender {
public:
    explicit WithExtraLogAppender(LogAppender& extra);
    virtual ~WithExtraLogAppender();
    WithExtraLogAppender(const WithExtraLogAppender&) = delete;
    WithExtraLogAppender& operator=(const WithExtraLogAppender&) = delete;

private:
    LogAppender* previous;
    TeeLogAppender tee;
};

// Logs "Entering " on construction and "Exiting " on destruction.
class ScopeTracer {
public:
    ScopeTracer(Logger& logger, Logger::Level level, const SourcePosition& pos, const WString& name);
    ~ScopeTracer();
    ScopeTracer(const ScopeTracer&) = delete;
    ScopeTracer& operator=(const ScopeTracer&) = delete;

private:
    Logger& logger;
    Logger::Level level;
    WString file;
    int line;
    WString function;
    WString name;
    bool active;
};

// Builds the message only when the level is accepted.
#define LOG_AT(level, msg)                                                                         \
    do {                                                                                           \
        Logger& tarnell_logger_ = Logger::global();                                                \
        if (tarnell_logger_.accepts(level)) {                                                      \
            tarnell_logger_.log(level, SOURCE_POSITION, (tstrings::MessageBuilder() << msg).str()); \
        }                                                                                          \
    } while (0)

#define LOG_TRACE(msg) LOG_AT(Logger::Trace, msg)
#define LOG_INFO(msg) LOG_AT(Logger::Info, msg)
#define LOG_WARNING(msg) LOG_AT(Logger::Warning, msg)
#define LOG_ERROR(msg) LOG_AT(Logger::Error, msg)
