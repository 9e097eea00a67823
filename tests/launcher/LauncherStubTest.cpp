// The launcher against a stand-in msiexec.exe that reports what it was handed.
#include <gtest/gtest.h>

#include <regex>

#include "LauncherTesting.h"
#include "RunProgram.h"
#include "ScopedEnv.h"
#include "TestFolder.h"
#include "WineDllOverride.h"
#include "tstrings.h"

namespace {

class LauncherStubTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ASSERT_TRUE(CopyFileW(helperProgram(L"msiexec-stub.exe").c_str(), SysInfo::getMsiexecPath().c_str(), FALSE));
    }

    DWORD launch(const WString& arguments, DWORD childExitCode = 0) {
        const ScopedEnv exitCode(L"TARNELL_STUB_EXIT", std::to_wstring(childExitCode));
        return runProgram(helperProgram(L"launcher-sample.exe"), arguments);
    }

    WStringList childArguments() const {
        const std::string bytes = fileBytes(reports.path(L"args.txt"));
        const WString text(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / sizeof(wchar_t));
        WStringList args = tstrings::split(text, L"\n", tstrings::KeepEmpty);
        args.pop_back();  // after the last line end
        return args;
    }

    WString packageSeenByChild() const { return reports.path(L"args.txt.msi"); }

    TestFolder temp;
    TestFolder reports;
    const ScopedEnv tmp{L"TMP", temp.path()};
    const ScopedEnv tempAlias{L"TEMP", temp.path()};
    // This prefix is the stand-in's alone: Wine runs system32's msiexec.exe as a native program.
    const WineDllOverride nativeMsiexec{L"", L"msiexec.exe", L"native"};
    const ScopedEnv report{L"TARNELL_STUB_REPORT", reports.path(L"args.txt")};
};

TEST_F(LauncherStubTest, HandsTheExtractedPackageToMsiexec) {
    ASSERT_EQ(launch(L""), 0u);
    const WStringList args = childArguments();
    ASSERT_EQ(args.size(), 2u);
    EXPECT_EQ(args[0], L"/i");
    const std::wregex packagePath(std::regex_replace(temp.path(), std::wregex(L"\\\\"), L"\\\\") +
                                  L"\\\\-?[0-9]+\\.tmp\\\\main\\.msi");
    EXPECT_TRUE(std::regex_match(args[1], packagePath)) << args[1];
    EXPECT_EQ(fileBytes(packageSeenByChild()), fileBytes(TARNELL_SAMPLE_PACKAGE)) << "main.msi while the child ran";
    EXPECT_TRUE(isEmptyFolder(temp.path())) << "the launcher's directory is gone";
}

TEST_F(LauncherStubTest, PassesUserArgumentsUnchangedAndSeparately) {
    ASSERT_EQ(launch(L"/qn /l*v \"C:\\my logs\\install.log\" \"INSTALLDIR=C:\\My Apps\" Uninstall /uninstall "
                     L"--uninstall \"uninstall \""),
              0u);
    const WStringList args = childArguments();
    ASSERT_EQ(args.size(), 10u);
    EXPECT_EQ(args[0], L"/i");
    const WStringList user(args.begin() + 2, args.end());
    EXPECT_EQ(user, (WStringList{L"/qn", L"/l*v", L"C:\\my logs\\install.log", L"INSTALLDIR=C:\\My Apps", L"Uninstall",
                                 L"/uninstall", L"--uninstall", L"uninstall "}));
}

TEST_F(LauncherStubTest, ChildExitCodeComesBackWhole) {
    for (DWORD code : {0u, 1641u, 3010u, 1602u, 0xC0000005u}) {
        EXPECT_EQ(launch(L"/qn", code), code);
    }
    EXPECT_TRUE(isEmptyFolder(temp.path()));
}

TEST_F(LauncherStubTest, UninstallAnywhereSelectsRemoval) {
    // The installer itself answers: removed, or not installed in this prefix.
    const DWORD status = launch(L"/qn uninstall");
    EXPECT_TRUE(status == ERROR_SUCCESS || status == ERROR_UNKNOWN_PRODUCT) << status;
    EXPECT_FALSE(exists(reports.path(L"args.txt"))) << "msiexec.exe was not started";
    EXPECT_TRUE(isEmptyFolder(temp.path()));
}

} // namespace
