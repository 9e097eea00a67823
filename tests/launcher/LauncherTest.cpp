// The launcher with Wine's own msiexec.exe and msi.dll.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "LauncherTesting.h"
#include "RunProgram.h"
#include "ScopedEnv.h"
#include "TestFolder.h"
#include "WineDllOverride.h"

namespace {

class LauncherTest : public ::testing::Test {
protected:
    DWORD launch(const WString& launcher, const WString& arguments) {
        return runProgram(besideTestProgram(launcher), arguments);
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

    {
        // The removal writes the installer's log when asked, as msiexec.exe would.
        TestFolder logs;
        const WString log = logs.path(L"un install.log");
        EXPECT_EQ(launch(L"launcher-sample.exe", L"uninstall /l*v \"" + log + L"\""), 0u);
        EXPECT_TRUE(exists(log));
    }
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

// Windows answers 1620 (ERROR_INSTALL_PACKAGE_INVALID), Wine 1627: whatever msiexec.exe
// says of that file run by hand is what the launcher must say.
TEST_F(LauncherTest, InstallerRefusingThePackageGivesItsOwnCode) {
    TestFolder elsewhere;
    const WString copy = elsewhere.path(L"not-a-package.msi");
    ASSERT_TRUE(CopyFileW(besideTestProgram(L"not-a-package.msi").c_str(), copy.c_str(), FALSE));
    const DWORD refusal = runProgram(SysInfo::getMsiexecPath(), L"/i \"" + copy + L"\" /qn");
    ASSERT_NE(refusal, 0u);

    EXPECT_EQ(launch(L"launcher-not-a-package.exe", L"/qn"), refusal);
    // Only the folder of the copy is left.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(temp.path()), std::filesystem::directory_iterator()),
              1);
}

// Libraries that a download folder may hold beside the launcher: msi.dll, which the
// launcher loads itself, and version.dll, which system libraries load.
TEST_F(LauncherTest, PlantedLibrariesAreNeverLoaded) {
    const WStringList planted = {L"msi.dll", L"version.dll"};
    TestFolder downloads;
    TestFolder markers;
    const ScopedEnv markerPath(L"TARNELL_PLANTED_MARKER", markers.path(L"loaded"));
    const auto marker = [&](const WString& dll) { return markers.path(L"loaded." + dll); };
    // Makes Wine prefer a library beside these programs, the way Windows does
    // for every library that is not one of its known DLLs.
    std::vector<std::unique_ptr<WineDllOverride>> overrides;
    for (const wchar_t* program : {L"setup.exe", L"loads-library.exe"}) {
        for (const WString& dll : planted) {
            overrides.push_back(std::make_unique<WineDllOverride>(program, FileUtils::withSuffix(dll, L""),
                                                                  L"native,builtin"));
        }
    }
    ASSERT_TRUE(CopyFileW(besideTestProgram(L"launcher-sample.exe").c_str(), downloads.path(L"setup.exe").c_str(), FALSE));
    ASSERT_TRUE(CopyFileW(besideTestProgram(L"loads-from-own-folder.exe").c_str(),
                          downloads.path(L"loads-library.exe").c_str(), FALSE));
    for (const WString& dll : planted) {
        ASSERT_TRUE(CopyFileW(besideTestProgram(dll).c_str(), downloads.path(dll).c_str(), FALSE));
    }

    for (const WString& dll : planted) {
        EXPECT_EQ(runProgram(downloads.path(L"loads-library.exe"), dll), 0u) << dll;
        ASSERT_TRUE(exists(marker(dll))) << dll << ": the planted copy loads when nothing prevents it";
        ASSERT_TRUE(DeleteFileW(marker(dll).c_str()));
    }

    ASSERT_EQ(runProgram(downloads.path(L"setup.exe"), L"/qn"), 0u);
    EXPECT_TRUE(exists(installed(L"readme.txt")));
    EXPECT_EQ(runProgram(downloads.path(L"setup.exe"), L"uninstall"), 0u);
    EXPECT_FALSE(exists(installed(L"readme.txt")));
    for (const WString& dll : planted) {
        EXPECT_FALSE(exists(marker(dll))) << "the launcher loaded the planted " << dll;
    }
}

} // namespace
