// A package cache that someone has shaped before the setup runs, or changes
// while it runs: links, a folder made in advance, files held open, a rebuilt
// package, a scope the command line changes, a damaged setup.
#include "CacheTesting.h"
#include "PendingRemovals.h"
#include "ScopedEnv.h"
#include "UniqueResource.h"
#include "UnixLink.h"

namespace {

using namespace cache_test;

// Runs a Unix shell command and waits up to 5 s for it to end.
bool runUnixShell(const WString& command) {
    TestFolder marks;
    const WString done = marks.path(L"done");
    if (!startUnixProgram(L"Z:\\bin\\sh", L"-c \"" + command + L" && touch '" + unixPath(done) + L"'\"")) {
        return false;
    }
    for (int attempt = 0; attempt < 100 && !FileUtils::isFileExists(done); ++attempt) {
        Sleep(50);
    }
    return FileUtils::isFileExists(done);
}

// Entries named as a cache names them, in another bootstrapper's folder that a
// link planted as "Package Cache" leads to: the setup must never remove them.
TEST_F(PackageCacheTest, ALinkInPlaceOfTheCacheIsNeverFollowed) {
    TestFolder elsewhere;
    for (const WString& code : {v1Code, WString(L"{4D5E6F70-8192-4DAE-BFC0-3B4C5D6E7F80}")}) {
        FileUtils::createDirectory(elsewhere.path(code + L"v1.0.0"));
        writeFile(elsewhere.path(code + L"v1.0.0\\main.msi"), "another bootstrapper's");
    }
    FileUtils::createDirectory(FileUtils::dirname(machineCache()));
    ASSERT_TRUE(plantUnixLink(machineCache(), elsewhere.path()));
    const WString setup = setupFor(L"v1.0.0");
    const WString log = folder.path(L"install.log");
    ASSERT_EQ(runProgram(setup, L"/qn /l*v \"" + log + L"\""), 0u);
    EXPECT_TRUE(msi::isProductInstalled(Guid(v1Code)));
    EXPECT_EQ(runProgram(setup, L"uninstall"), 0u);
    EXPECT_EQ(namesIn(elsewhere.path()), (WStringList{v1Code + L"v1.0.0", L"{4D5E6F70-8192-4DAE-BFC0-3B4C5D6E7F80}v1.0.0"}));
    EXPECT_EQ(readFile(elsewhere.path(v1Code + L"v1.0.0\\main.msi")), "another bootstrapper's");
    const std::string text = logText(log);
    EXPECT_NE(text.find("setup-v1.0.0.exe: installing from a temporary folder, as the package cache cannot be used: ["),
              std::string::npos) << text.substr(text.size() > 600 ? text.size() - 600 : 0);
    EXPECT_NE(text.find("Package Cache] is not used: it leads to "), std::string::npos);
    EXPECT_TRUE(removeUnixLink(machineCache()));
}

// Anyone may make a folder in ProgramData: one that others may change is set
// aside, never entered, and the cache made anew beside it.
TEST_F(PackageCacheTest, AFolderMadeInAdvanceIsSetAside) {
    const WString squatted = FileUtils::dirname(machineCache());
    FileUtils::createDirectory(squatted);
    writeFile(squatted + L"\\planted.txt", "the squatter's");
    // Wine gives a folder that everyone may write an access list that says so.
    ASSERT_TRUE(runUnixShell(L"chmod 777 '" + unixPath(squatted) + L"'"));
    const WString log = folder.path(L"install.log");
    ASSERT_EQ(runProgram(setupFor(L"v1.0.0"), L"/qn /l*v \"" + log + L"\""), 0u);
    EXPECT_EQ(cachedFolders(), WStringList{v1Code + L"v1.0.0"});
    const WString programData = FileUtils::dirname(squatted);
    const WStringList names = namesIn(programData);
    const auto aside = std::find_if(names.begin(), names.end(), [](const WString& name) {
        return name.rfind(L"Tarnell.set-aside-", 0) == 0;
    });
    ASSERT_NE(aside, names.end());
    EXPECT_EQ(readFile(programData + L"\\" + *aside + L"\\planted.txt"), "the squatter's");
    EXPECT_NE(logText(log).find("Tarnell] was set aside as [Tarnell.set-aside-"), std::string::npos);
}

// A file someone holds open keeps neither the removal waiting nor its result
// from the user; in the user's own cache nothing is left for the restart,
// which would follow whatever link the user put in its place by then.
TEST_F(PackageCacheTest, AHeldFileNeitherStallsNorOutlivesTheUsersCache) {
    const WString setup = setupFor(L"user");
    ASSERT_EQ(runProgram(setup, L"/qn"), 0u);
    const WString cabinet = userCache() + L"\\" + userCode + L"v1.0.0\\cache files.cab";
    ASSERT_TRUE(FileUtils::isFileExists(cabinet));
    {
        const OwnedHandle holder(CreateFileW(cabinet.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(holder);
        EXPECT_EQ(runProgram(setup, L"uninstall"), 0u);
        EXPECT_FALSE(msi::isProductInstalled(Guid(userCode)));
        EXPECT_TRUE(FileUtils::isFileExists(cabinet));
    }
    EXPECT_EQ(pendingRemovals().find(userCache()), WString::npos);
    // What was left goes with the next run of another product's setup.
    ASSERT_EQ(runProgram(setupFor(L"v1.0.0"), L"/qn"), 0u);
    EXPECT_FALSE(FileUtils::isFileExists(FileUtils::dirname(userCache())));
}

// ALLUSERS=1 makes a per-user package install per machine: its source must be
// one that the user's unelevated programs cannot change.
TEST_F(PackageCacheTest, AllUsersOnTheCommandLineCachesPerMachine) {
    const WString setup = setupFor(L"user");
    ASSERT_EQ(runProgram(setup, L"/qn ALLUSERS=1"), 0u);
    EXPECT_EQ(cachedFolders(), WStringList{userCode + L"v1.0.0"});
    EXPECT_EQ(namesIn(userCache()), WStringList{});
    EXPECT_EQ(runProgram(setup, L"uninstall"), 0u);
    EXPECT_EQ(cachedFolders(), WStringList{});
}

bool sameContent(const WString& a, const WString& b) { return readFile(a) == readFile(b); }

// A package rebuilt with the version unchanged goes beside the installed
// product's source, which stays unless an install from the new one succeeds.
TEST_F(PackageCacheTest, ARebuiltPackageNeverCostsTheInstalledSource) {
    ASSERT_EQ(runProgram(setupFor(L"v1.0.0"), L"/qn"), 0u);
    const WString source = machineCache() + L"\\" + v1Code + L"v1.0.0\\";
    const WString rebuilt = setupFor(L"rebuilt");
    ASSERT_NE(runProgram(rebuilt, L"/qn INSTALLDIR=Q:\\nowhere"), 0u);
    EXPECT_TRUE(sameContent(source + L"main.msi", built(L"v1.0.0\\CacheTest.msi")));
    EXPECT_EQ(cachedFolders(), WStringList{v1Code + L"v1.0.0"});
    ASSERT_TRUE(DeleteFileW(installed(L"readme.txt").c_str()));
    EXPECT_EQ(repair(v1Code), 0u);
    EXPECT_TRUE(sameContent(installed(L"readme.txt"), built(L"v1.0.0\\Readme")));

    ASSERT_EQ(runProgram(rebuilt, L"/qn"), 0u);
    EXPECT_EQ(cachedFolders(), WStringList{v1Code + L"v1.0.0~2"});
    EXPECT_TRUE(sameContent(source.substr(0, source.size() - 1) + L"~2\\main.msi", built(L"rebuilt\\CacheTest.msi")));
    ASSERT_TRUE(DeleteFileW(installed(L"data.txt").c_str()));
    EXPECT_EQ(repair(v1Code), 0u);
    EXPECT_TRUE(sameContent(installed(L"data.txt"), built(L"rebuilt\\Data")));
}

// A byte changed in the package or a cabinet a setup carries, as a cut or
// damaged download may: msiexec never starts, nothing is left but the log,
// which names the part, and the exit code is the installer's for a package it
// cannot use.
TEST_F(PackageCacheTest, ADamagedSetupInstallsNothing) {
    const std::pair<const wchar_t*, const char*> parts[] = {{L"v1.0.0\\CacheTest.msi", "the package"},
                                                            {L"v1.0.0\\cache files.cab", "the cabinet 'cache files.cab'"}};
    for (const auto& [part, named] : parts) {
        const WString setup = setupFor(L"v1.0.0");
        std::string bytes = readFile(setup);
        const std::string original = readFile(built(part));
        const size_t at = bytes.find(original);
        ASSERT_NE(at, std::string::npos);
        bytes[at + original.size() / 2] ^= 0x20;
        writeFile(setup, bytes);
        const TestFolder logs;
        const ScopedEnv tmp(L"TMP", logs.path());
        const ScopedEnv temp(L"TEMP", logs.path());
        EXPECT_EQ(runProgram(setup, L"/qn"), DWORD{ERROR_INSTALL_PACKAGE_INVALID}) << named;
        EXPECT_FALSE(msi::isProductInstalled(Guid(v1Code)));
        EXPECT_FALSE(FileUtils::isFileExists(FileUtils::dirname(machineCache())));
        const WStringList left = namesIn(logs.path());
        ASSERT_EQ(left.size(), 1u) << "more than the log";
        EXPECT_NE(logText(logs.path(left[0])).find(std::string("The setup program is damaged: ") + named),
                  std::string::npos);
    }
}

} // namespace
