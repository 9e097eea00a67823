#include <gtest/gtest.h>

#include <regex>
#include <sstream>

#include "LogCapture.h"

namespace {

LogRecord sampleRecord() {
    LogRecord r;
    r.time = SYSTEMTIME{2026, 12, 2, 8, 9, 5, 7, 42};
    r.processId = 12;
    r.threadId = 345;
    r.moduleName = L"tarnell.exe";
    r.levelName = L"INFO";
    r.fileName = L"Executor.cpp";
    r.line = 77;
    r.functionName = L"Executor::startProcess";
    r.message = L"caf\u00e9";
    return r;
}

TEST(StreamLogAppender, WritesTwoLineFormat) {
    std::ostringstream out;
    StreamLogAppender appender(out);
    appender.append(sampleRecord());
    EXPECT_EQ(out.str(),
              "[2026/12/08 09:05:07.042, tarnell.exe (PID: 12, TID: 345), Executor.cpp:77 (Executor::startProcess)]\n"
              "\tINFO: caf\xC3\xA9\n");
}

TEST(Logger, RecordCarriesPositionAndModuleName) {
    LogCapture log;
    const int line = __LINE__; LOG_INFO("value=" << 5);
    ASSERT_EQ(log.records.size(), 1u);
    const LogRecord& r = log.records[0];
    EXPECT_EQ(r.message, L"value=5");
    EXPECT_EQ(r.levelName, L"INFO");
    EXPECT_EQ(r.fileName, L"LogTest.cpp");
    EXPECT_EQ(r.line, line);
    EXPECT_EQ(r.functionName, L"`anonymous-namespace'::Logger_RecordCarriesPositionAndModuleName_Test::TestBody");
    EXPECT_STREQ(r.moduleName, L"foundation_tests.exe");
    EXPECT_EQ(r.processId, GetCurrentProcessId());
    EXPECT_EQ(r.threadId, GetCurrentThreadId());
}

TEST(Logger, LevelNames) {
    EXPECT_STREQ(levelName(Logger::Trace), L"TRACE");
    EXPECT_STREQ(levelName(Logger::Warning), L"WARNING");
    EXPECT_STREQ(levelName(static_cast<Logger::Level>(7)), L"UNKNOWN");
}

TEST(ScopeTracer, ExitLineHasLineZeroAndEntryPosition) {
    LogCapture log;
    int line = 0;
    {
        line = __LINE__; ScopeTracer tracer(Logger::global(), Logger::Trace, SOURCE_POSITION, L"work");
    }
    ASSERT_EQ(log.records.size(), 2u);
    EXPECT_EQ(log.records[0].message, L"Entering work");
    EXPECT_EQ(log.records[0].line, line);
    EXPECT_EQ(log.records[1].message, L"Exiting work (entered at LogTest.cpp:" + std::to_wstring(line) + L")");
    EXPECT_EQ(log.records[1].line, 0);
}

TEST(TeeLogAppender, SkipsNullTargets) {
    LogCapture second;
    TeeLogAppender tee(nullptr, &second);
    tee.append(sampleRecord());
    EXPECT_EQ(second.records.size(), 1u);
}

TEST(WithExtraLogAppender, RestoresTheAppenderItFound) {
    LogCapture base;
    LogCapture extra;  // now installed, so the extra one wraps it
    NopLogAppender other;
    {
        WithExtraLogAppender with(base);
        LOG_INFO("both");
        Logger::global().setAppender(&other);
    }
    EXPECT_EQ(Logger::global().appender(), &extra);
    EXPECT_EQ(base.messages(), WStringList{L"both"});
    EXPECT_EQ(extra.messages(), WStringList{L"both"});
}

} // namespace
