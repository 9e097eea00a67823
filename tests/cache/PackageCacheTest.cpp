// What the package cache keeps, and that a repair finds its files there once
// the setup is gone.
#include <filesystem>

#include "CacheTesting.h"
#include "ScopedEnv.h"
#include "UniqueResource.h"

namespace {

using namespace cache_test;

// The setup another packer made, when the run names one.
WString prepackedSetup() { return SysInfo::readEnvVariableOr(std::nothrow, L"TARNELL_PREPACKED_SETUP", L""); }

TEST_F(PackageCacheTest, RepairFindsTheCachedSourceWithTheSetupGone) {
    WString setup = folder.path(L"setup.exe");
    if (prepackedSetup().empty()) {
        setup = setupFor(L"v1.0.0");
    } else {
        ASSERT_TRUE(CopyFileW(prepackedSetup().c_str(), setup.c_str(), FALSE));
    }
    ASSERT_EQ(runProgram(setup, L"/qn"), 0u);
    const WString cached = machineCache() + L"\\" + v1Code + L"v1.0.0\\";
    EXPECT_EQ(readFile(cached + L"main.msi"), readFile(built(L"v1.0.0\\CacheTest.msi")));
    EXPECT_EQ(readFile(cached + L"cache files.cab"), readFile(built(L"v1.0.0\\cache files.cab")));

    ASSERT_TRUE(DeleteFileW(setup.c_str()));
    ASSERT_TRUE(DeleteFileW(installed(L"readme.txt").c_str()));
    EXPECT_EQ(repair(v1Code), 0u);
    EXPECT_EQ(readFile(installed(L"readme.txt")), readFile(built(L"v1.0.0\\Readme")));
}

TEST_F(PackageCacheTest, TwoRunsKeepOneCopyAndRemovalTakesIt) {
    const WString setup = setupFor(L"v1.0.0");
    ASSERT_EQ(runProgram(setup, L"/qn"), 0u);
    ASSERT_EQ(runProgram(setup, L"/qn"), 0u);
    EXPECT_EQ(cachedFolders(), WStringList{v1Code + L"v1.0.0"});
    EXPECT_EQ(runProgram(setup, L"uninstall"), 0u);
    EXPECT_FALSE(FileUtils::isFileExists(FileUtils::dirname(machineCache()))) << "the empty cache stays";
}

TEST_F(PackageCacheTest, FailedInstallKeepsNothing) {
    // The installer fails on a folder it cannot create.
    EXPECT_NE(runProgram(setupFor(L"v1.0.0"), L"/qn INSTALLDIR=Q:\\nowhere"), 0u);
    EXPECT_EQ(cachedFolders(), WStringList{});
}

TEST_F(PackageCacheTest, UpgradesAndRemovalsByOthersLeaveOneCopy) {
    ASSERT_EQ(runProgram(setupFor(L"v1.0.0"), L"/qn"), 0u);
    ASSERT_EQ(runProgram(setupFor(L"v2.0.0"), L"/qn"), 0u);
    EXPECT_FALSE(msi::isProductInstalled(Guid(v1Code))) << "the second version upgrades the first";
    EXPECT_EQ(cachedFolders(), WStringList{v2Code + L"v2.0.0"});
    // A removal that is not the setup's own leaves the copy until the next setup runs.
    ASSERT_EQ(runProgram(SysInfo::getMsiexecPath(), L"/x " + v2Code + L" /qn"), 0u);
    EXPECT_EQ(cachedFolders(), WStringList{v2Code + L"v2.0.0"});
    EXPECT_NE(runProgram(setupFor(L"v1.0.0"), L"/qn INSTALLDIR=Q:\\nowhere"), 0u);
    EXPECT_EQ(cachedFolders(), WStringList{});
}

TEST_F(PackageCacheTest, SetupPackedWithoutTheCacheLeavesNone) {
    const WString setup = setupFor(L"v1.0.0", L"--no-package-cache");
    ASSERT_EQ(runProgram(setup, L"/qn"), 0u);
    EXPECT_TRUE(msi::isProductInstalled(Guid(v1Code)));
    EXPECT_FALSE(FileUtils::isFileExists(machineCache()));
    EXPECT_EQ(runProgram(setup, L"uninstall"), 0u);
}

// An install and an uninstall each leave a verbose log in the temporary folder,
// unless the setup was packed without one.
TEST_F(PackageCacheTest, EveryRunLeavesALogUnlessPackedWithout) {
    for (const bool withLog : {true, false}) {
        const TestFolder logs;
        const ScopedEnv tmp(L"TMP", logs.path());
        const ScopedEnv temp(L"TEMP", logs.path());
        const WString setup = setupFor(L"v1.0.0", withLog ? L"" : L"--no-default-log");
        ASSERT_EQ(runProgram(setup, L"/qn"), 0u);
        ASSERT_EQ(runProgram(setup, L"uninstall"), 0u);
        const WStringList made = namesIn(logs.path());
        ASSERT_EQ(made.size(), withLog ? 2u : 0u);
        for (const WString& name : made) {
            EXPECT_EQ(name.rfind(L"Tarnell Cache Test_", 0), 0u) << name;
            EXPECT_GT(logText(logs.path(name)).size(), 1000u) << name;
        }
    }
}

// Another setup installing from its folder holds it as CacheFolder does: the
// sweep must pass it by, though its product is not registered yet.
TEST_F(PackageCacheTest, SweepPassesByAFolderASetupHolds) {
    const WString held = machineCache() + L"\\{3C4D5E6F-7081-4C9D-AEBF-2A3B4C5D6E7F}v1.0";
    const WString orphan = machineCache() + L"\\{4D5E6F70-8192-4DAE-BFC0-3B4C5D6E7F80}v1.0";
    for (const WString& dir : {held, orphan}) {
        FileUtils::createDirectory(dir);
        writeFile(dir + L"\\main.msi", "package");
    }
    const OwnedHandle hold(CreateFileW(held.c_str(), FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                       OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    ASSERT_TRUE(hold);
    ASSERT_EQ(runProgram(setupFor(L"v1.0.0"), L"/qn"), 0u);
    EXPECT_EQ(readFile(held + L"\\main.msi"), "package");
    EXPECT_FALSE(FileUtils::isFileExists(orphan));
}

} // namespace
