#include "Log.h"

#include <iostream>
#include <new>
#include <sstream>

#include "ErrorHandling.h"
#include "FileUtils.h"
#include "WinSysInfo.h"

namespace {

constinit Logger globalLogger;

// Reserved for the default appender, so that logging before the launch frame needs no heap.
alignas(StreamLogAppender) unsigned char defaultAppenderStorage[sizeof(StreamLogAppender)];

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
        globalLogger.setAppender(new (defaultAppenderStorage) StreamLogAppender(std::cout));
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

void StreamLogAppender::append(const LogRecord& record) {
    WString prefix;
    record.appendPrefix(prefix);
    std::wostringstream text;
    text << L"[" << prefix << record.fileName << L":" << record.line << L" (" << record.functionName << L")]\n\t"
         << record.levelName << L": " << record.message;
    *stream << tstrings::toUtf8(text.str()) << std::endl;
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
