#include "Log.h"

#include <new>

#include "ErrorHandling.h"
#include "FileUtils.h"
#include "WinSysInfo.h"

namespace {

constinit Logger globalLogger;

// Reserved for the default appender, so that logging before the launch frame needs no heap.
alignas(StdioLogAppender) unsigned char defaultAppenderStorage[sizeof(StdioLogAppender)];

enum InitState { NotInitialized, Initializing, Initialized };
constinit InitState initState = NotInitialized;

wchar_t logModuleName[MAX_PATH] = L"Unknown";

void initializeModuleName() {
    WString name;
    try {
        name = FileUtils::basename(SysInfo::getOwnModulePath());
    } catch (const std::runtime_error&) {
        name = L"Unknown";
    }
    name.resize(MAX_PATH - 1, L'\0');
    name.copy(logModuleName, MAX_PATH - 1);
    logModuleName[MAX_PATH - 1] = L'\0';
}

WString baseName(const wchar_t* path) { return FileUtils::basename(path ? path : L""); }

} // namespace

const wchar_t* levelName(Logger::Level level) {
    switch (level) {
    case Logger::Trace: return L"TRACE";
    case Logger::Info: return L"INFO";
    case Logger::Warning: return L"WARNING";
    case Logger::Error: return L"ERROR";
    }
    return L"UNKNOWN";
}

Logger& Logger::global() {
    if (globalLogger.appender() == nullptr) {
        globalLogger.setAppender(new (defaultAppenderStorage) StdioLogAppender(stdout));
    }
    switch (initState) {
    case NotInitialized:
        initState = Initializing;
        initializeModuleName();
        initState = Initialized;
        break;
    case Initializing:
        // A statement logged while the module name is being looked up.
        logModuleName[0] = L'\0';
        break;
    case Initialized:
        break;
    }
    return globalLogger;
}

void Logger::log(Level level, const wchar_t* file, int line, const wchar_t* function, const WString& message) {
    LogRecord record;
    GetLocalTime(&record.time);
    record.threadId = GetCurrentThreadId();
    record.processId = GetCurrentProcessId();
    record.moduleName = logModuleName;
    record.fileName = baseName(file);
    record.functionName = function ? function : L"";
    record.levelName = levelName(level);
    record.line = line;
    record.message = message;
    currentAppender->append(record);
}

void Logger::log(Level level, const SourcePosition& pos, const WString& message) {
    log(level, tstrings::fromUtf8(pos.file).c_str(), pos.line, tstrings::fromUtf8(pos.function).c_str(), message);
}

LogAppender* Logger::setAppender(LogAppender* newAppender) {
    LogAppender* previous = currentAppender;
    currentAppender = newAppender;
    return previous;
}

void LogRecord::appendPrefix(WString& buffer) const {
    buffer += tstrings::format(L"%04u/%02u/%02u %02u:%02u:%02u.%03u, %s (PID: %u, TID: %u), ", time.wYear,
                               time.wMonth, time.wDay, time.wHour, time.wMinute, time.wSecond,
                               time.wMilliseconds, moduleName, processId, threadId);
}

WString LogRecord::twoLineText() const {
    WString prefix;
    appendPrefix(prefix);
    return (tstrings::MessageBuilder() << L"[" << prefix << fileName << L":" << line << L" (" << functionName
                                       << L")]\n\t" << levelName << L": " << message)
        .str();
}

void StdioLogAppender::append(const LogRecord& record) { writeLine(stream, tstrings::toUtf8(record.twoLineText())); }

void writeLine(FILE* stream, const std::string& text) {
    fwrite(text.data(), 1, text.size(), stream);
    fputc('\n', stream);
    fflush(stream);
}

void TeeLogAppender::append(const LogRecord& record) {
    if (first != nullptr) {
        first->append(record);
    }
    if (second != nullptr) {
        second->append(record);
    }
}

WithExtraLogAppender::WithExtraLogAppender(LogAppender& extra)
    : previous(Logger::global().appender()), tee(previous, &extra) {
    Logger::global().setAppender(&tee);
}

WithExtraLogAppender::~WithExtraLogAppender() { Logger::global().setAppender(previous); }

ScopeTracer::ScopeTracer(Logger& logger, Logger::Level level, const SourcePosition& pos, const WString& name)
    : logger(logger), level(level), file(tstrings::fromUtf8(pos.file)), line(pos.line),
      function(tstrings::fromUtf8(pos.function)), name(name), active(logger.accepts(level)) {
    if (active) {
        logger.log(level, file.c_str(), line, function.c_str(), L"Entering " + name);
    }
}

ScopeTracer::~ScopeTracer() {
    if (active) {
        logger.log(level, file.c_str(), 0, function.c_str(),
                   (tstrings::MessageBuilder() << L"Exiting " << name << L" (entered at " << baseName(file.c_str())
                                               << L":" << line << L")")
                       .str());
    }
}
