// The launcher with Wine's own msiexec.exe and msi.dll.
#include <gtest/gtest.h>

#include "LauncherTesting.h"
#include "RunProgram.h"
#include "ScopedEnv.h"
#include "TestFolder.h"
#include "WineDllOverride.h"

namespace {

class LauncherTest : public ::testing::Test {
protected:
    DWORD launch(const WString& launcher, const WString& arguments) {
        return runProgram(helperProgram(launcher), arguments);
    }

    TestFolder temp;
    const ScopedEnv tmp{L"TMP", temp.path()};
    const ScopedEnv tempAlias{L"TEMP", temp.path()};
};

WString installed(const WString& name) {
    return SysInfo::readEnvVariable(L"ProgramFiles") + L"\\Tarnell Sample\\" + name;
}

TEST_F(LauncherTest, InstallsAndUninstallsTheSample) {
    ASSERT_EQ(launch(L"launcher-sample.exe", L"/qn"), 0u);
    EXPECT_TRUE(exists(installed(L"readme.txt")));
    EXPECT_TRUE(exists(installed(L"release notes.txt")));
    EXPECT_TRUE(isEmptyFolder(temp.path()));

    EXPECT_EQ(launch(L"launcher-sample.exe", L"uninstall"), 0u);
    EXPECT_FALSE(exists(installed(L"readme.txt")));
    EXPECT_FALSE(exists(installed(L"release notes.txt")));

    EXPECT_EQ(launch(L"launcher-sample.exe", L"uninstall"), DWORD{ERROR_UNKNOWN_PRODUCT});
    EXPECT_TRUE(isEmptyFolder(temp.path()));
}

TEST_F(LauncherTest, BrokenResourcesEndWithMinusOneAndLeaveNothing) {
    const struct {
        const wchar_t* launcher;
        const wchar_t* arguments;
    } rows[] = {
        {L"launcher-no-msi.exe", L"/qn"},
        {L"launcher-no-product-code.exe", L"uninstall"},
        {L"launcher-bad-product-code.exe", L"uninstall"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(launch(row.launcher, row.arguments), 0xFFFFFFFFu) << row.launcher;
        EXPECT_TRUE(isEmptyFolder(temp.path())) << row.launcher;
    }
}

TEST_F(LauncherTest, PlantedMsiDllIsNeverLoaded) {
    TestFolder downloads;
    const WString marker = temp.path(L"planted-msi-was-loaded");
    const ScopedEnv markerPath(L"TARNELL_PLANTED_MARKER", marker);
    // Makes Wine prefer a msi.dll beside these programs, the way Windows does.
    const WineDllOverride forSetup(L"setup.exe", L"msi", L"native,builtin");
    const WineDllOverride forControl(L"loads-msi.exe", L"msi", L"native,builtin");
    ASSERT_TRUE(CopyFileW(helperProgram(L"launcher-sample.exe").c_str(), downloads.path(L"setup.exe").c_str(), FALSE));
    ASSERT_TRUE(CopyFileW(helperProgram(L"loads-from-own-folder.exe").c_str(), downloads.path(L"loads-msi.exe").c_str(), FALSE));
    ASSERT_TRUE(CopyFileW(helperProgram(L"msi.dll").c_str(), downloads.path(L"msi.dll").c_str(), FALSE));

    EXPECT_EQ(runProgram(downloads.path(L"loads-msi.exe")), 0u);
    ASSERT_TRUE(exists(marker)) << "the planted copy loads when nothing prevents it";
    ASSERT_TRUE(DeleteFileW(marker.c_str()));

    const DWORD status = runProgram(downloads.path(L"setup.exe"), L"uninstall");
    EXPECT_TRUE(status == ERROR_SUCCESS || status == ERROR_UNKNOWN_PRODUCT) << status;
    EXPECT_FALSE(exists(marker)) << "the launcher loaded the planted msi.dll";
}

} // namespace
