#include <gtest/gtest.h>

#include "ErrorHandling.h"
#include "LogCapture.h"
#include "WinErrorHandling.h"

namespace {

std::string positionPrefix(int line, const char* function) {
    return "ErrorHandlingTest.cpp(" + std::to_string(line) + ") at " + function + "(): ";
}

TEST(AppError, CarriesRaisePositionAndPlainMessage) {
    int line = 0;
    try {
        line = __LINE__; THROW_RUNTIME_ERROR("abc" << 1);
    } catch (const AppError<std::runtime_error>& e) {
        EXPECT_STREQ(e.plainMessage(), "abc1");
        EXPECT_EQ(std::string(e.what()),
                  positionPrefix(line, "`anonymous-namespace'::AppError_CarriesRaisePositionAndPlainMessage_Test::TestBody") + "abc1");
        return;
    }
    FAIL() << "nothing raised";
}

namespace {
std::string functionInUnnamedNamespace() { return SOURCE_POSITION.function; }
} // namespace

struct Outer {
    template <class T>
    struct action {
        std::string operator()(int) const { return SOURCE_POSITION.function; }
    };
    struct uninstall {};
    Outer() : constructedIn(SOURCE_POSITION.function) {}
    std::string constructedIn;
};

TEST(SourcePosition, NamesTheQualifiedFunction) {
    EXPECT_EQ(functionInUnnamedNamespace(), "`anonymous-namespace'::`anonymous-namespace'::functionInUnnamedNamespace");
    EXPECT_EQ(Outer().constructedIn, "`anonymous-namespace'::Outer::Outer");
    EXPECT_EQ(Outer::action<Outer::uninstall>()(0),
              "`anonymous-namespace'::Outer::action<`anonymous-namespace'::Outer::uninstall>::operator()");
}

TEST(JoinErrorTexts, SeparatorRules) {
    struct Row {
        const char* first;
        const char* second;
        const char* joined;
    } rows[] = {
        {"Failed", "detail", "Failed. detail"},
        {"Failed  \t", "  detail ", "Failed. detail"},
        {"Failed:", "detail", "Failed: detail"},
        {"Failed;", "detail", "Failed; detail"},
        {"Failed.", "detail", "Failed. detail"},
        {"Failed,", "detail", "Failed, detail"},
        {"Failed!", "detail", "Failed! detail"},
        {"Failed?", "detail", "Failed? detail"},
        {"  Failed", "", "  Failed"},
        {"Failed: ", " \t", "Failed:"},
        {"", " detail ", "detail"},
        {" \t ", "detail", "detail"},
        {"", "", ""},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(joinErrorTexts(row.first, row.second), row.joined) << "[" << row.first << "] + [" << row.second << "]";
    }
}

TEST(SysError, ComposesCallerTextLabelCodeAndDescription) {
    const SysError error("Opening failed", nullptr, ERROR_FILE_NOT_FOUND);
    const std::string what = error.what();
    const std::string expectedStart = "Opening failed. System error [2](system error 2 (";
    EXPECT_EQ(what.substr(0, expectedStart.size()), expectedStart);
    EXPECT_EQ(what.back(), ')');
    EXPECT_EQ(what.substr(what.size() - 2), "))");
}

TEST(SysError, CodeZeroWithoutFunctionStillDescribed) {
    const std::string what = SysError("", nullptr, 0).what();
    EXPECT_EQ(what.rfind("System error [0](system error 0 (", 0), 0u) << what;
}

TEST(SysError, AddressOutsideAnyModuleDropsDescriptionAndWarns) {
    LogCapture log;
    const std::string what = SysError("Call failed", reinterpret_cast<const void*>(0x10), 5).what();
    EXPECT_EQ(what, "Call failed. System error [5]");
    ASSERT_EQ(log.records.size(), 1u);
    EXPECT_EQ(log.records[0].levelName, L"WARNING");
    EXPECT_EQ(log.records[0].message, L"GetModuleHandleEx() failed for 0000000000000010 address.");
}

TEST(SysError, RaisedThroughMacroKeepsLastErrorAndPosition) {
    int line = 0;
    try {
        SetLastError(ERROR_ACCESS_DENIED);
        line = __LINE__; THROW_SYS_ERROR("DeleteFile(" << L"x" << ") failed", DeleteFileW);
    } catch (const AppError<SysError>& e) {
        const std::string what = e.what();
        EXPECT_NE(what.find("(" + std::to_string(line) + ") at "), std::string::npos) << what;
        EXPECT_NE(what.find("(): DeleteFile(x) failed. System error [5](system error 5 ("), std::string::npos) << what;
        EXPECT_EQ(std::string(e.plainMessage()).rfind("DeleteFile(x) failed. System error [5]", 0), 0u);
        return;
    }
    FAIL() << "nothing raised";
}

TEST(FormatSystemMessage, CleansLineBreaksAndTrailingDots) {
    const WString text = formatSystemMessage(ERROR_FILE_NOT_FOUND);
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(text.find_first_of(L"\r\n\t"), WString::npos);
    EXPECT_NE(text.back(), L'.');
    EXPECT_NE(text.back(), L' ');
    EXPECT_EQ(formatSystemMessage(0x2FFFFFFF), L"No description available");
    EXPECT_EQ(describeSystemError(2), L"system error 2 (" + text + L")");
}

// Codes whose text has inserts, on Windows or Wine: "%1 is not a valid Win32
// application.", "Bad EXE format for %1.", "Insert %2 ... into drive %1."
TEST(FormatSystemMessage, InsertsAreFilledOrDroppedNeverShown) {
    const WString program = L"C:\\Windows\\system32\\msiexec.exe";
    for (const DWORD code : {ERROR_BAD_EXE_FORMAT, ERROR_INVALID_ORDINAL, ERROR_INVALID_EXE_SIGNATURE, ERROR_WRONG_DISK,
                             ERROR_EXE_MACHINE_TYPE_MISMATCH, ERROR_FILE_NOT_FOUND}) {
        const WString dropped = formatSystemMessage(code);
        const WString filled = formatSystemMessage(code, nullptr, {program});
        EXPECT_EQ(dropped.find(L'%'), WString::npos) << code << L": " << dropped;
        EXPECT_EQ(filled.find(L'%'), WString::npos) << code << L": " << filled;
        EXPECT_EQ(formatSystemMessage(code, nullptr, {L""}), dropped) << code;
        if (code == ERROR_BAD_EXE_FORMAT) {
            EXPECT_NE(filled.find(program), WString::npos) << filled;
        }
    }
    const struct {
        const wchar_t* text;
        std::vector<WString> inserts;
        const wchar_t* shown;
    } rows[] = {
        {L"Bad EXE format for %1.", {L"x.exe"}, L"Bad EXE format for x.exe."},
        {L"Bad EXE format for %1.", {}, L"Bad EXE format for."},
        {L"%1 is not a valid Win32 application.", {}, L" is not a valid Win32 application."},
        {L"Insert %2 (Volume Serial Number: %3) into drive %1.", {L"A:"}, L"Insert (Volume Serial Number:) into drive A:."},
        {L"%1!s! took %2!d!%% of %11", {L"a", L"b"}, L"a took b% of"},
        {L"Line%nbreak%ttab%0 never shown", {}, L"Line break tab"},
        {L"Unclosed %1!s", {L"x"}, L"Unclosed x"},
        {L"A lone %", {}, L"A lone %"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(fillMessageInserts(row.text, row.inserts), row.shown) << row.text;
    }
}

TEST(DescribeComError, UsesWin32CodeForWin32Facility) {
    const WString text = describeComError(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(text, L"COM error 0x80070002 (" + formatSystemMessage(ERROR_FILE_NOT_FOUND) + L")");
}

TEST(ReportError, LogsAtErrorWithCatchPosition) {
    LogCapture log;
    try {
        throw std::runtime_error("bad \xE9");
    }
    CATCH_AND_REPORT
    try {
        throw 42;
    }
    CATCH_AND_REPORT
    ASSERT_EQ(log.records.size(), 2u);
    EXPECT_EQ(log.records[0].levelName, L"ERROR");
    EXPECT_EQ(log.records[0].message, L"Exception with message 'bad \u00E9' caught");
    EXPECT_EQ(log.records[0].fileName, L"ErrorHandlingTest.cpp");
    EXPECT_EQ(log.records[1].message, L"Unknown exception caught");
}

TEST(CrtErrorText, DescribesErrno) {
    errno = ENOENT;
    EXPECT_FALSE(crtErrorText().empty());
}

} // namespace
