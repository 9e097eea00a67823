// Setup programs installing for real under Wine's installer: what the package
// cache keeps, and that a repair finds its files there once the setup is gone.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <filesystem>

#include "MsiUtils.h"
#include "RunProgram.h"
#include "ScopedEnv.h"
#include "TestFiles.h"
#include "TestFolder.h"
#include "UnixLink.h"
#include "UniqueResource.h"
#include "WinFileUtils.h"
#include "WinSysInfo.h"

namespace {

const WString v1Code = CACHE_TEST_V1_CODE;
const WString v2Code = CACHE_TEST_V2_CODE;

WString built(const WString& name) { return tstrings::replace(CACHE_TEST_DIR, L"/", L"\\") + L"\\" + name; }

WString cacheRoot() {
    return SysInfo::getKnownFolderPath(FOLDERID_ProgramData) + L"\\Tarnell\\Package Cache";
}

WString installed(const WString& name) {
    return SysInfo::readEnvVariable(L"ProgramFiles(x86)") + L"\\Tarnell Cache Test\\" + name;
}

WStringList cachedFolders() {
    WStringList names;
    FileUtils::DirectoryIterator(cacheRoot()).recursive(false).findItems(names);
    for (WString& name : names) {
        name = FileUtils::basename(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

void removeProduct(const WString& code) {
    if (msi::isProductInstalled(Guid(code))) {
        msi::action<msi::uninstall>(msi::uninstall().productCode(Guid(code)))(std::nothrow);
    }
}

// Each test starts and ends with neither product installed and no cache.
class PackageCacheTest : public testing::Test {
protected:
    void SetUp() override { clean(); }
    void TearDown() override { clean(); }

    // A setup program made by tarnell-pack.exe from the package of that version.
    WString setupFor(const WString& version, const WString& options = L"") {
        const WString setup = folder.path(L"setup-" + version + L".exe");
        const WString package = built(L"v" + version + L"\\CacheTest.msi");
        EXPECT_EQ(runProgram(TARNELL_PACK_EXE, options + L" \"" + package + L"\" \"" + setup + L"\""), 0u);
        return setup;
    }

    TestFolder folder;

private:
    static void clean() {
        removeProduct(v1Code);
        removeProduct(v2Code);
        FileUtils::deleteDirectoryRecursive(cacheRoot(), std::nothrow);
    }
};

// The setup another packer made, when the run names one.
WString prepackedSetup() { return SysInfo::readEnvVariableOr(std::nothrow, L"TARNELL_PREPACKED_SETUP", L""); }

TEST_F(PackageCacheTest, RepairFindsTheCachedSourceWithTheSetupGone) {
    WString setup = folder.path(L"setup.exe");
    if (prepackedSetup().empty()) {
        setup = setupFor(L"1.0.0");
    } else {
        ASSERT_TRUE(CopyFileW(prepackedSetup().c_str(), setup.c_str(), FALSE));
    }
    ASSERT_EQ(runProgram(setup, L"/qn"), 0u);
    const WString cached = cacheRoot() + L"\\" + v1Code + L"v1.0.0\\";
    EXPECT_EQ(readFile(cached + L"main.msi"), readFile(built(L"v1.0.0\\CacheTest.msi")));
    EXPECT_EQ(readFile(cached + L"cache files.cab"), readFile(built(L"v1.0.0\\cache files.cab")));

    ASSERT_TRUE(DeleteFileW(setup.c_str()));
    ASSERT_TRUE(DeleteFileW(installed(L"readme.txt").c_str()));
    EXPECT_EQ(runProgram(SysInfo::getMsiexecPath(), L"/i " + v1Code + L" REINSTALL=ALL REINSTALLMODE=omus /qn"), 0u);
    EXPECT_EQ(readFile(installed(L"readme.txt")), readFile(built(L"v1.0.0\\Readme")));
}

TEST_F(PackageCacheTest, TwoRunsKeepOneCopyAndRemovalTakesIt) {
    const WString setup = setupFor(L"1.0.0");
    ASSERT_EQ(runProgram(setup, L"/qn"), 0u);
    ASSERT_EQ(runProgram(setup, L"/qn"), 0u);
    EXPECT_EQ(cachedFolders(), WStringList{v1Code + L"v1.0.0"});
    EXPECT_EQ(runProgram(setup, L"uninstall"), 0u);
    EXPECT_EQ(cachedFolders(), WStringList{});
}

TEST_F(PackageCacheTest, FailedInstallKeepsNothing) {
    // The installer fails on a folder it cannot create.
    EXPECT_NE(runProgram(setupFor(L"1.0.0"), L"/qn INSTALLDIR=Q:\\nowhere"), 0u);
    EXPECT_EQ(cachedFolders(), WStringList{});
}

TEST_F(PackageCacheTest, UpgradesAndRemovalsByOthersLeaveOneCopy) {
    ASSERT_EQ(runProgram(setupFor(L"1.0.0"), L"/qn"), 0u);
    ASSERT_EQ(runProgram(setupFor(L"2.0.0"), L"/qn"), 0u);
    EXPECT_FALSE(msi::isProductInstalled(Guid(v1Code))) << "the second version upgrades the first";
    EXPECT_EQ(cachedFolders(), WStringList{v2Code + L"v2.0.0"});
    // A removal that is not the setup's own leaves the copy until the next setup runs.
    ASSERT_EQ(runProgram(SysInfo::getMsiexecPath(), L"/x " + v2Code + L" /qn"), 0u);
    EXPECT_EQ(cachedFolders(), WStringList{v2Code + L"v2.0.0"});
    EXPECT_NE(runProgram(setupFor(L"1.0.0"), L"/qn INSTALLDIR=Q:\\nowhere"), 0u);
    EXPECT_EQ(cachedFolders(), WStringList{});
}

TEST_F(PackageCacheTest, SetupPackedWithoutTheCacheLeavesNone) {
    const WString setup = setupFor(L"1.0.0", L"--no-package-cache");
    ASSERT_EQ(runProgram(setup, L"/qn"), 0u);
    EXPECT_TRUE(msi::isProductInstalled(Guid(v1Code)));
    EXPECT_FALSE(FileUtils::isFileExists(cacheRoot()));
    EXPECT_EQ(runProgram(setup, L"uninstall"), 0u);
}

// Another setup installing from its folder holds it as CacheFolder does: the
// sweep must pass it by, though its product is not registered yet.
TEST_F(PackageCacheTest, SweepPassesByAFolderASetupHolds) {
    const WString held = cacheRoot() + L"\\{3C4D5E6F-7081-4C9D-AEBF-2A3B4C5D6E7F}v1.0";
    const WString orphan = cacheRoot() + L"\\{4D5E6F70-8192-4DAE-BFC0-3B4C5D6E7F80}v1.0";
    for (const WString& dir : {held, orphan}) {
        FileUtils::createDirectory(dir);
        writeFile(dir + L"\\main.msi", "package");
    }
    const OwnedHandle hold(CreateFileW(held.c_str(), FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                       OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    ASSERT_TRUE(hold);
    ASSERT_EQ(runProgram(setupFor(L"1.0.0"), L"/qn"), 0u);
    EXPECT_EQ(readFile(held + L"\\main.msi"), "package");
    EXPECT_FALSE(FileUtils::isFileExists(orphan));
}

// A cache that is not what the setup made it is never used: the install goes
// on from a temporary folder and says so in the user's log.
TEST_F(PackageCacheTest, ALinkInPlaceOfTheCacheIsNotFollowed) {
    TestFolder elsewhere;
    FileUtils::createDirectory(FileUtils::dirname(cacheRoot()));
    ASSERT_TRUE(plantUnixLink(cacheRoot(), elsewhere.path()));
    const WString log = folder.path(L"install.log");
    ASSERT_EQ(runProgram(setupFor(L"1.0.0"), L"/qn /l*v \"" + log + L"\""), 0u);
    EXPECT_TRUE(msi::isProductInstalled(Guid(v1Code)));
    for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(elsewhere.path()))) {
        ADD_FAILURE() << "written through the link: " << entry.path().string();
    }
    const std::string bytes = readFile(log);
    // The installer may have written its log in UTF-16; the launcher then adds its line so.
    const bool utf16 = bytes.rfind("\xFF\xFE", 0) == 0;
    const std::string text =
        utf16 ? tstrings::toUtf8(WString(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / 2)) : bytes;
    EXPECT_NE(text.find("setup-1.0.0.exe: installing from a temporary folder, as the package cache cannot be used: ["),
              std::string::npos) << text.substr(text.size() > 600 ? text.size() - 600 : 0);
    EXPECT_NE(text.find("Package Cache] is not used: it is a link"), std::string::npos);
    EXPECT_TRUE(removeUnixLink(cacheRoot()));
}

} // namespace
