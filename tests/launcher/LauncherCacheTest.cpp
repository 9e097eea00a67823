// Setups at once, sharing a package cache.
#include <gtest/gtest.h>

#include <windows.h>

#include "StubFixture.h"
#include "WinFileUtils.h"

namespace {

WString cacheRoot() { return SysInfo::getKnownFolderPath(FOLDERID_ProgramData) + L"\\Tarnell\\Package Cache"; }

// The stand-in registers no product: to a sweep, every cache folder here is an
// orphan, but the one a setup is installing from at that moment stays.
TEST_F(LauncherStubTest, SweepLeavesTheFolderOfASetupStillInstalling) {
    FileUtils::deleteDirectoryRecursive(cacheRoot(), std::nothrow);
    const WString other = cacheRoot() + L"\\{7B2F4D63-3A1C-4E5B-8F06-9D2E1C3B4A57}v1.0.0\\main.msi";
    HANDLE installing = nullptr;
    {
        const ScopedEnv sleep(L"TARNELL_STUB_SLEEP", L"4000");
        const ScopedEnv report(L"TARNELL_STUB_REPORT", reports.path(L"other.txt"));
        installing = startProgram(besideTestProgram(L"setup-other-product.exe"), L"/qn");
    }
    ASSERT_NE(installing, nullptr);
    for (int attempt = 0; attempt < 300 && !exists(reports.path(L"other.txt")); ++attempt) {
        Sleep(50);
    }
    ASSERT_TRUE(exists(other)) << "the other setup is not installing from the cache";

    EXPECT_EQ(launch(L"/qn", 0, L"setup-sample.exe"), 0u);
    EXPECT_EQ(readFile(other), readFile(TARNELL_SAMPLE_PACKAGE)) << "swept while in use";
    EXPECT_EQ(waitForExitCode(installing), 0u);
    EXPECT_EQ(readFile(reports.path(L"other.txt.msi")), readFile(TARNELL_SAMPLE_PACKAGE));
    FileUtils::deleteDirectoryRecursive(cacheRoot(), std::nothrow);
}

// A second run of the same setup while the first installs from the cache
// installs from a temporary folder and never removes the first's files.
TEST_F(LauncherStubTest, ASecondRunLeavesTheFirstsFiles) {
    FileUtils::deleteDirectoryRecursive(cacheRoot(), std::nothrow);
    const WString firsts = cacheRoot() + L"\\{6A1E3C52-2F0B-4D3A-9E55-7C1D2B8F4A10}v1.0.0\\main.msi";
    HANDLE first = nullptr;
    {
        const ScopedEnv sleep(L"TARNELL_STUB_SLEEP", L"4000");
        const ScopedEnv report(L"TARNELL_STUB_REPORT", reports.path(L"first.txt"));
        first = startProgram(besideTestProgram(L"setup-sample.exe"), L"/qn");
    }
    ASSERT_NE(first, nullptr);
    for (int attempt = 0; attempt < 300 && !exists(reports.path(L"first.txt")); ++attempt) {
        Sleep(50);
    }
    ASSERT_TRUE(exists(firsts)) << "the first run is not installing from the cache";

    EXPECT_EQ(launch(L"/qn", 1603, L"setup-sample.exe"), 1603u);
    EXPECT_EQ(childArguments()[1].rfind(temp.path(), 0), 0u) << childArguments()[1];
    EXPECT_TRUE(readFile(firsts) == readFile(TARNELL_SAMPLE_PACKAGE)) << "removed while in use";
    EXPECT_EQ(waitForExitCode(first), 0u);
    EXPECT_TRUE(readFile(firsts) == readFile(TARNELL_SAMPLE_PACKAGE));
    FileUtils::deleteDirectoryRecursive(cacheRoot(), std::nothrow);
}

} // namespace
