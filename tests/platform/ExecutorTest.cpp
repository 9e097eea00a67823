#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "Executor.h"
#include "FileUtils.h"
#include "LogCapture.h"
#include "TestFolder.h"
#include "WinErrorHandling.h"
#include "WinSysInfo.h"
#include "TestFiles.h"

namespace {

WStringList splitLikeTheChild(const WString& commandLine) {
    int count = 0;
    LPWSTR* parts = CommandLineToArgvW(commandLine.c_str(), &count);
    WStringList result(parts, parts + count);
    LocalFree(parts);
    return result;
}

struct QuotingRow {
    const char* sentence;
    const wchar_t* argument;
    const wchar_t* writtenAs;
    bool reachesTheChildWhole;
};

const QuotingRow quotingRows[] = {
    {"an argument without blanks is written as it is", L"/i", L"/i", true},
    {"an argument with a space is wrapped in quotes", L"C:\\My Apps\\main.msi", L"\"C:\\My Apps\\main.msi\"", true},
    {"an argument with a tab is wrapped in quotes", L"a\tb", L"\"a\tb\"", true},
    {"an argument already in quotes is written unchanged", L"\"a b\"", L"\"a b\"", false},
    {"a lone double quote holds no blank and is written unchanged", L"\"", L"\"", false},
    {"an inner quote without a blank is not escaped", L"a\"b", L"a\"b", false},
    {"an inner quote with a blank is wrapped, not escaped", L"say \"hi\" now", L"\"say \"hi\" now\"", false},
    {"a trailing backslash with a blank is wrapped, not doubled", L"C:\\My Apps\\", L"\"C:\\My Apps\\\"", false},
    {"a property with a space quotes only its value", L"INSTALLDIR=C:\\My Apps", L"INSTALLDIR=\"C:\\My Apps\"", true},
    {"a property with a tab quotes only its value", L"NAME=a\tb", L"NAME=\"a\tb\"", true},
    {"a property value may hold further equals signs", L"NAME=a=b c", L"NAME=\"a=b c\"", true},
    {"a property without blanks is written as it is", L"REBOOT=ReallySuppress", L"REBOOT=ReallySuppress", true},
    {"a property whose value is already quoted is wrapped whole", L"DIR=\"a b\"", L"\"DIR=\"a b\"\"", false},
    {"a name with a blank makes no property assignment", L"MY DIR=a b", L"\"MY DIR=a b\"", true},
    {"a name with a quote makes no property assignment", L"N\"X=a b", L"\"N\"X=a b\"", false},
    {"an empty name makes no property assignment", L"=a b", L"\"=a b\"", true},
    {"an assignment already in quotes is written unchanged", L"\"NAME=a b\"", L"\"NAME=a b\"", false},
};

TEST(ExecutorQuoting, EachArgumentIsWrittenByTheRule) {
    for (const QuotingRow& row : quotingRows) {
        SCOPED_TRACE(row.sentence);
        EXPECT_EQ(Executor(L"prog").arg(row.argument).commandLine(), WString(L"prog ") + row.writtenAs);
    }
}

TEST(ExecutorQuoting, ArgumentsWithoutQuotesOrTrailingBackslashesSurviveTheChildsSplit) {
    for (const QuotingRow& row : quotingRows) {
        if (row.reachesTheChildWhole) {
            SCOPED_TRACE(row.sentence);
            const WStringList parsed = splitLikeTheChild(Executor(L"prog").arg(row.argument).commandLine());
            EXPECT_EQ(parsed, (WStringList{L"prog", row.argument}));
        }
    }
}

TEST(ExecutorQuoting, EmptyArgumentLeavesTwoAdjacentSpaces) {
    EXPECT_EQ(Executor(L"prog").arg(L"a").arg(L"").arg(L"b").commandLine(), L"prog a  b");
    EXPECT_EQ(Executor(L"prog").arg(L"").commandLine(), L"prog ");
}

// What argecho.exe saw of its own start.
struct ChildReport {
    WString processId;
    WString commandLine;
    WStringList args;
};

class ExecutorRun : public ::testing::Test {
protected:
    void SetUp() override { SetEnvironmentVariableW(L"ARGECHO_OUTPUT", reportPath.c_str()); }
    void TearDown() override { SetEnvironmentVariableW(L"ARGECHO_OUTPUT", nullptr); }

    static WString argecho() { return besideTestProgram(L"argecho.exe"); }

    ChildReport readReport() const {
        const std::string bytes = readFile(reportPath);
        const WString text(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / sizeof(wchar_t));
        WStringList fields = tstrings::split(text, WString(1, L'\0'), tstrings::KeepEmpty);
        if (fields.size() < 3) {
            ADD_FAILURE() << "argecho wrote no report";
            return {};
        }
        fields.pop_back(); // after the last terminator
        return {fields[0], fields[1], WStringList(fields.begin() + 2, fields.end())};
    }

    bool reportExists() const { return std::filesystem::exists(std::filesystem::path(reportPath)); }

    TestFolder folder;
    const WString reportPath = folder.path(L"report.bin");
    LogCapture log;
};

TEST_F(ExecutorRun, ChildReceivesTheCommandLineAsBuiltAndSplitsItBack) {
    TestFolder programFolder;
    const WString program = programFolder.path(L"dir with blank\\argecho.exe");
    std::filesystem::create_directories(FileUtils::dirname(program));
    ASSERT_TRUE(CopyFileW(argecho().c_str(), program.c_str(), TRUE));

    const WStringList args = {L"0", L"/i", L"C:\\My Apps\\main.msi", L"", L"INSTALLDIR=C:\\My Apps", L"a\tb"};
    Executor executor(program);
    for (const WString& a : args) {
        executor.arg(a);
    }
    EXPECT_EQ(executor.execAndWaitForExit(), 0u);

    const ChildReport report = readReport();
    EXPECT_EQ(report.commandLine, executor.commandLine());
    EXPECT_EQ(report.commandLine,
              L"\"" + program + L"\" 0 /i \"C:\\My Apps\\main.msi\"  INSTALLDIR=\"C:\\My Apps\" \"a\tb\"");
    EXPECT_EQ(report.args,
              (WStringList{program, L"0", L"/i", L"C:\\My Apps\\main.msi", L"INSTALLDIR=C:\\My Apps", L"a\tb"}));

    ASSERT_FALSE(log.records.empty());
    EXPECT_EQ(log.records.front().message, L"CreateProcess(" + program + L") succeeded; PID=" + report.processId +
                                               L"; command line: " + executor.commandLine());
    EXPECT_EQ(log.records.front().functionName, L"Executor::startProcess");
}

TEST_F(ExecutorRun, ExitCodeComesBackWhole) {
    const struct {
        const wchar_t* given;
        DWORD returned;
    } rows[] = {{L"0", 0}, {L"3010", 3010}, {L"0xC0000005", 0xC0000005}};
    for (const auto& row : rows) {
        SCOPED_TRACE(tstrings::toUtf8(row.given));
        log.records.clear();
        EXPECT_EQ(Executor(argecho()).arg(row.given).execAndWaitForExit(), row.returned);
        ASSERT_FALSE(log.records.empty());
        EXPECT_EQ(log.records.back().message, L"Process with PID=" + readReport().processId +
                                                  L" terminated. Exit code=" + std::to_wstring(row.returned));
        EXPECT_EQ(log.records.back().functionName, L"Executor::execAndWaitForExit");
    }
}

TEST_F(ExecutorRun, SuspendedChildRunsNothingBeforeJobAssignmentAndHook) {
    const OwnedHandle job(CreateJobObjectW(nullptr, nullptr));
    ASSERT_TRUE(job);
    bool hookRan = false;
    const auto hook = [&](HANDLE process) {
        hookRan = true;
        BOOL inJob = FALSE;
        EXPECT_TRUE(IsProcessInJob(process, job.get(), &inJob));
        EXPECT_TRUE(inJob);
        EXPECT_EQ(WaitForSingleObject(process, 200), static_cast<DWORD>(WAIT_TIMEOUT));
        EXPECT_FALSE(reportExists());
    };
    Executor executor(argecho());
    executor.suspended(true).jobObject(job.get()).onProcessCreated(hook).arg(L"7");

    EXPECT_EQ(executor.execAndWaitForExit(), 7u);
    EXPECT_TRUE(hookRan);
    const WString pid = readReport().processId;
    EXPECT_EQ(log.messages(),
              (WStringList{L"CreateProcess[suspended](" + argecho() + L") succeeded; PID=" + pid +
                               L"; command line: " + executor.commandLine(),
                           L"AssignProcessToJobObject(PID=" + pid + L")", L"ResumeThread()",
                           L"Process with PID=" + pid + L" terminated. Exit code=7"}));
}

// The failure names the program, never the arguments: they may hold secrets.
TEST_F(ExecutorRun, MissingExecutableRaisesWithTheCallButNotItsArguments) {
    const WString missing = FileUtils::joinPath(FileUtils::dirname(argecho()), L"missing.exe");
    const struct {
        const char* sentence;
        Executor executor;
        WString call;
    } rows[] = {
        {"default options add no marks", Executor(missing).arg(L"PASSWORD=Hunter2"), L"CreateProcess("},
        {"options are marked in a fixed order",
         Executor(missing).arg(L"PASSWORD=Hunter2").inherit(true).visible(true).suspended(true),
         L"CreateProcess[suspended][visible][inherit]("},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.sentence);
        try {
            row.executor.execAndWaitForExit();
            ADD_FAILURE() << "nothing raised";
        } catch (const AppError<SysError>& e) {
            const std::string expected = tstrings::toUtf8(row.call + missing + L") failed. System error [2]");
            EXPECT_EQ(std::string(e.plainMessage()).substr(0, expected.size()), expected);
            EXPECT_EQ(std::string(e.what()).find("Hunter2"), std::string::npos);
            EXPECT_NE(std::string(e.what()).find("Executor::startProcess"), std::string::npos);
        }
    }
    EXPECT_TRUE(log.records.empty());
}

} // namespace
