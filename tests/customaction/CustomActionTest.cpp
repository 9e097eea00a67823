#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <optional>
#include <regex>

#include "FileUtils.h"
#include "LogCapture.h"
#include "MsiCA.h"
#include "MsiLibrary.h"
#include "RunProgram.h"
#include "TestFolder.h"
#include "WinDll.h"
#include "WinSysInfo.h"
#include "InstallerErrors.h"
#include "TestFiles.h"
#include "ProductTest.h"

namespace {

using Args = msi::DeferredCA::ArgsCtnr;

TEST(ParseArgs, SplitsNamedPiecesAndKeepsTheTail) {
    const struct {
        const wchar_t* text;
        Args args;
    } rows[] = {
        {L"A=1*B=x=y**tail text", {{L"A", L"1"}, {L"B", L"x=y"}, {L"", L"tail text"}}},
        {L"", {}},
        {L"A=1*A=2", {{L"A", L"2"}}},
        {L"A=", {{L"A", L""}}},
        {L"**", {{L"", L""}}},
        {L"A=1**tail*with**stars=", {{L"A", L"1"}, {L"", L"tail*with**stars="}}},
        {L"=value", {{L"", L"value"}}},
    };
    for (const auto& row : rows) {
        Args args;
        msi::DeferredCA::parseArgs(args, row.text);
        EXPECT_EQ(args, row.args) << tstrings::toUtf8(row.text);
    }
}

TEST(ParseArgs, ParsedNamesReplaceTheCallersOthersStay) {
    Args args{{L"A", L"old"}, {L"C", L"kept"}};
    msi::DeferredCA::parseArgs(args, L"A=new*B=2");
    EXPECT_EQ(args, (Args{{L"A", L"new"}, {L"B", L"2"}, {L"C", L"kept"}}));
}

TEST(ParseArgs, PieceWithoutEqualsSignIsRefused) {
    const struct {
        const wchar_t* text;
        const char* piece;
    } rows[] = {
        {L"A=1*", "[]"},
        {L"A=1*B**tail", "[B]"},
        {L"*A=1", "[]"},
    };
    for (const auto& row : rows) {
        Args args{{L"C", L"kept"}};
        try {
            msi::DeferredCA::parseArgs(args, row.text);
            ADD_FAILURE() << "nothing raised for " << tstrings::toUtf8(row.text);
        } catch (const AppError<std::runtime_error>& e) {
            EXPECT_EQ(e.plainMessage(), "Missing expected '=' character in " + std::string(row.piece) + " string.");
            EXPECT_NE(std::string(e.what()).find("at msi::`anonymous-namespace'::parseArg(): "), std::string::npos)
                << e.what();
        }
        EXPECT_EQ(args, (Args{{L"C", L"kept"}})) << tstrings::toUtf8(row.text);
    }
}

TEST(NormalizeDirectoryPath, EndsInExactlyOneBackslash) {
    const struct {
        const wchar_t* path;
        const wchar_t* normalized;
    } rows[] = {
        {L"", L""},
        {L"C:\\Program Files\\App", L"C:\\Program Files\\App\\"},
        {L"C:/Program Files/App/", L"C:\\Program Files\\App\\"},
        {L"C:\\App\\\\/", L"C:\\App\\"},
        {L"C:\\", L"C:\\"},
        {L"/", L"\\"},
        {L"App", L"App\\"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(msi::normalizeDirectoryPath(row.path), row.normalized) << tstrings::toUtf8(row.path);
    }
}

LogRecord sampleRecord(DWORD threadId) {
    LogRecord record;
    record.time.wHour = 7;
    record.time.wMinute = 5;
    record.time.wSecond = 9;
    record.time.wMilliseconds = 42;
    record.threadId = threadId;
    record.levelName = L"WARNING";
    record.fileName = L"Action.cpp";
    record.line = 123;
    record.functionName = L"ns::`anonymous-namespace'::step";
    record.message = L"Disk [C:] is full";
    return record;
}

TEST(MsiLogAppender, FormatsTheLineAndNamesOtherThreads) {
    const WString rest = L"Action.cpp:123 (ns::`anonymous-namespace'::step)] WARNING: Disk [C:] is full";
    EXPECT_EQ(msi::MsiLogAppender::formatLine(sampleRecord(100), 100), L"[07:05:09.042 " + rest);
    EXPECT_EQ(msi::MsiLogAppender::formatLine(sampleRecord(4321), 100), L"[07:05:09.042 (TID: 4321) " + rest);
}

TEST(CAImpl, EmptyValueIsRefusedBeforeTheInstallerIsAsked) {
    msi::CAImpl ca(0);
    LogCapture log;
    try {
        ca.setProperty(L"NAME", L"");
        FAIL() << "nothing raised";
    } catch (const AppError<std::runtime_error>& e) {
        // Asking the installer about handle 0 would have raised an installer error.
        EXPECT_EQ(e.plainMessage(), std::string("Attempt to assign empty value to 'NAME' MSI property"));
        EXPECT_NE(std::string(e.what()).find("at msi::CAImpl::setProperty(): "), std::string::npos) << e.what();
    }
    EXPECT_TRUE(log.records.empty());
}


TEST(CAImpl, CallsWithoutAnInstallationNameTheCall) {
    msi::CAFacade ca(0);
    const struct {
        const char* name;
        std::function<void()> call;
        UINT status;
        const char* text;
        const wchar_t* traced;
    } rows[] = {
        {"set", [&] { ca.setProperty(L"NAME", L"value"); }, ERROR_INVALID_HANDLE, "MsiSetProperty(NAME, value) failed",
         L"Setting MSI property 'NAME' to 'value'"},
        {"remove", [&] { ca.removeProperty(L"NAME"); }, ERROR_INVALID_HANDLE, "MsiSetProperty(NAME, NULL) failed",
         L"Removing MSI property 'NAME'"},
        {"action", [&] { ca.doAction(L"CostInitialize"); }, ERROR_INVALID_HANDLE,
         "MsiDoAction(CostInitialize) failed", nullptr},
        {"database", [] { msi::Database::forActiveInstallation(0); }, ERROR_FUNCTION_FAILED,
         "MsiGetActiveDatabase() failed", nullptr},
    };
    for (const auto& row : rows) {
        LogCapture log;
        const auto [status, text] = installerErrorOf(row.call);
        EXPECT_EQ(status, row.status) << row.name;
        EXPECT_EQ(text.rfind(row.text, 0), 0u) << row.name << ": " << text;
        if (row.traced != nullptr) {
            ASSERT_EQ(log.records.size(), 1u) << row.name;
            EXPECT_EQ(log.records[0].levelName, L"TRACE");
            EXPECT_EQ(log.records[0].message, row.traced);
        }
    }
    EXPECT_EQ(ca.getModes(), WString(19, L'0'));
}


std::vector<std::string> readLines(const WString& path) {
    std::ifstream in(path.c_str());
    EXPECT_TRUE(in.good()) << tstrings::toUtf8(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        lines.push_back(line);
    }
    return lines;
}

bool hasLine(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

// The match of the first line that pattern matches whole.
std::optional<std::smatch> findLine(const std::vector<std::string>& lines, const std::regex& pattern) {
    for (const std::string& line : lines) {
        std::smatch match;
        if (std::regex_match(line, match, pattern)) {
            return match;
        }
    }
    return std::nullopt;
}

const std::string greeting = "Hello from ImmediateAction";

// What both actions of the sample DLL leave in a verbose installer log. Wine
// formats the inserted line once more, so its bracketed head reads as a
// property reference and the log keeps only "Kova", blanks, level and message.
void expectActionsRan(const std::vector<std::string>& log) {
    const std::string productCode = CUSTOM_ACTION_PRODUCT_CODE;
    for (const std::string& line : std::vector<std::string>{
             "Kova  INFO: Arguments: A=1, B=x=y, tail=tail * with = signs",
             "Kova  INFO: Installing Tarnell Custom Action Test " + productCode,
             "Kova  TRACE: Removing MSI property 'KOVA_OBSOLETE'",
             "Kova  TRACE: Setting MSI property 'KOVA_GREETING' to '" + greeting + "'",
             // The deferred action only runs when its condition sees the change.
             "Property(S): KOVA_GREETING = " + greeting,
         }) {
        EXPECT_TRUE(hasLine(log, line)) << line;
    }
    EXPECT_FALSE(findLine(log, std::regex("Property\\(S\\): KOVA_OBSOLETE = .*")));

    const auto immediate = findLine(log, std::regex("Kova  INFO: Run modes: ([01]{19})"));
    ASSERT_TRUE(immediate);
    EXPECT_EQ(immediate->str(1)[MSIRUNMODE_SCHEDULED], '0');
    EXPECT_EQ(immediate->str(1)[MSIRUNMODE_MAINTENANCE], '0');

    const auto deferred =
        findLine(log, std::regex("Kova  INFO: Deferred with run modes ([01]{19}) and data: GREETING=(.*)\\*DIR=(.*)"));
    ASSERT_TRUE(deferred);
    EXPECT_EQ(deferred->str(1)[MSIRUNMODE_SCHEDULED], '1');
    EXPECT_EQ(deferred->str(2), greeting);
    const std::string installDir = deferred->str(3);
    EXPECT_TRUE(installDir.ends_with("\\TarnellCustomActionTest\\")) << installDir;
    EXPECT_TRUE(hasLine(log, "Kova  INFO: Greeting: " + greeting + ", directory: " + installDir));
}

// The sample package, installed for the time of one test.
class CustomActionPackage : public ProductTest {
protected:
    CustomActionPackage() : ProductTest(CUSTOM_ACTION_PRODUCT_CODE) {}

    const WString packagePath = besideTestProgram(L"CustomActionPackage.msi");
    TestFolder folder;
    const WString logPath = folder.path(L"install.log");


    WString logArguments() const { return L"/qn /l*v \"" + logPath + L"\""; }
};

TEST_F(CustomActionPackage, MsiexecRunsBothActions) {
    ASSERT_EQ(runProgram(SysInfo::getMsiexecPath(), L"/i \"" + packagePath + L"\" " + logArguments()), 0u);
    EXPECT_TRUE(msi::isProductInstalled(product));
    expectActionsRan(readLines(logPath));
}

TEST_F(CustomActionPackage, LauncherRunsBothActions) {
    const WString launcher = besideTestProgram(L"custom-action-launcher.exe");
    ASSERT_EQ(runProgram(launcher, logArguments()), 0u);
    expectActionsRan(readLines(logPath));

    EXPECT_EQ(runProgram(launcher, L"uninstall"), 0u);
    EXPECT_FALSE(msi::isProductInstalled(product));
}

// Collects field 1 of every information message made with the appender's template.
class InstallerRecords {
public:
    InstallerRecords() { setHandler(collect, INSTALLLOGMODE_INFO, this); }
    ~InstallerRecords() { setHandler(nullptr, 0, nullptr); }
    InstallerRecords(const InstallerRecords&) = delete;
    InstallerRecords& operator=(const InstallerRecords&) = delete;

    std::vector<std::string> lines;

private:
    static void setHandler(INSTALLUI_HANDLER_RECORD handler, DWORD filter, void* context) {
        static const Dll msiDll(Dll::SystemLibrary{L"msi.dll"});
        static const auto setExternalUIRecord =
            msiDll.function<decltype(MsiSetExternalUIRecord)>("MsiSetExternalUIRecord");
        setExternalUIRecord(handler, filter, context, nullptr);
    }

    // An exception must not unwind through the installer's frames.
    static int WINAPI collect(void* context, UINT, MSIHANDLE record) {
        const auto field = [record](UINT index) {
            return msi::getProperty(msi::library().recordGetString, "MsiRecordGetString", record, index);
        };
        try {
            if (field(0) == L"Kova [1]") {
                static_cast<InstallerRecords*>(context)->lines.push_back(tstrings::toUtf8(field(1)));
            }
        }
        CATCH_AND_REPORT
        return 0;
    }
};

TEST_F(CustomActionPackage, InstallerReceivesTheWholeLine) {
    InstallerRecords records;
    const msi::ActionStatus status = msi::action<msi::install>(msi::install().packagePath(packagePath))(std::nothrow);
    ASSERT_TRUE(status.succeeded()) << status.getMessage();

    // Time, a blank as the thread text, file, line and function, then level and message.
    const std::string time = "\\[\\d\\d:\\d\\d:\\d\\d\\.\\d{3} ";
    for (const std::string& pattern : {
             time + "SampleCustomAction\\.cpp:\\d+ \\(ImmediateAction\\)\\] INFO: Arguments: A=1, B=x=y, "
                    "tail=tail \\* with = signs",
             time + "MsiCA\\.cpp:\\d+ \\(msi::CAImpl::removeProperty\\)\\] TRACE: Removing MSI property "
                    "'KOVA_OBSOLETE'",
             time + "SampleCustomAction\\.cpp:\\d+ \\(DeferredAction\\)\\] INFO: Greeting: " + greeting +
                 ", directory: .*\\\\",
         }) {
        EXPECT_TRUE(findLine(records.lines, std::regex(pattern))) << pattern;
    }
}

} // namespace
