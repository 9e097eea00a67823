// Setups at once, sharing a package cache.
#include <gtest/gtest.h>

#include <windows.h>

#include "StubFixture.h"
#include "WinFileUtils.h"

namespace {

WString cacheRoot() { return SysInfo::getKnownFolderPath(FOLDERID_ProgramData) + L"\\Tarnell\\Package Cache"; }

class SetupsAtOnceTest : public LauncherStubTest {
protected:
    // Starts the setup, whose stand-in msiexec.exe reports to report and then
    // takes 4 s, and returns it once the stand-in has started.
    HANDLE startInstalling(const WString& setup, const WString& report) {
        HANDLE installing = nullptr;
        {
            const ScopedEnv sleep(L"TARNELL_STUB_SLEEP", L"4000");
            const ScopedEnv reportTo(L"TARNELL_STUB_REPORT", reports.path(report));
            installing = startProgram(besideTestProgram(setup), L"/qn");
        }
        for (int attempt = 0; installing != nullptr && attempt < 300 && !exists(reports.path(report)); ++attempt) {
            Sleep(50);
        }
        return installing;
    }

    void SetUp() override { FileUtils::deleteDirectoryRecursive(cacheRoot(), std::nothrow); }
    void TearDown() override { FileUtils::deleteDirectoryRecursive(cacheRoot(), std::nothrow); }
};

// The stand-in registers no product: to a sweep, every cache folder here is an
// orphan, but the one a setup is installing from at that moment stays.
TEST_F(SetupsAtOnceTest, SweepLeavesTheFolderOfASetupStillInstalling) {
    const WString other = cacheRoot() + L"\\{7B2F4D63-3A1C-4E5B-8F06-9D2E1C3B4A57}v1.0.0\\main.msi";
    const HANDLE installing = startInstalling(L"setup-other-product.exe", L"other.txt");
    ASSERT_NE(installing, nullptr);
    ASSERT_TRUE(exists(other)) << "the other setup is not installing from the cache";

    EXPECT_EQ(launch(L"/qn", 0, L"setup-sample.exe"), 0u);
    EXPECT_EQ(readFile(other), readFile(TARNELL_SAMPLE_PACKAGE)) << "swept while in use";
    EXPECT_EQ(waitForExitCode(installing), 0u);
    EXPECT_EQ(readFile(reports.path(L"other.txt.msi")), readFile(TARNELL_SAMPLE_PACKAGE));
}

// A second run of the same setup while the first installs from the cache
// installs from a temporary folder and never removes the first's files.
TEST_F(SetupsAtOnceTest, ASecondRunLeavesTheFirstsFiles) {
    const WString firsts = cacheRoot() + L"\\{6A1E3C52-2F0B-4D3A-9E55-7C1D2B8F4A10}v1.0.0\\main.msi";
    const HANDLE first = startInstalling(L"setup-sample.exe", L"first.txt");
    ASSERT_NE(first, nullptr);
    ASSERT_TRUE(exists(firsts)) << "the first run is not installing from the cache";

    EXPECT_EQ(launch(L"/qn", 1603, L"setup-sample.exe"), 1603u);
    EXPECT_EQ(childArguments()[1].rfind(temp.path(), 0), 0u) << childArguments()[1];
    EXPECT_TRUE(readFile(firsts) == readFile(TARNELL_SAMPLE_PACKAGE)) << "removed while in use";
    EXPECT_EQ(waitForExitCode(first), 0u);
    EXPECT_TRUE(readFile(firsts) == readFile(TARNELL_SAMPLE_PACKAGE));
}

} // namespace
