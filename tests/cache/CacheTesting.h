#pragma once

// Setup programs installing for real under Wine's installer, each test
// starting and ending with none of the test products installed and no cache.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>

#include "MsiUtils.h"
#include "RunProgram.h"
#include "TestFiles.h"
#include "TestFolder.h"
#include "WinFileUtils.h"
#include "WinSysInfo.h"

namespace cache_test {

const WString v1Code = CACHE_TEST_V1_CODE;
const WString v2Code = CACHE_TEST_V2_CODE;
const WString userCode = CACHE_TEST_USER_CODE;

// A file the build made: "v1.0.0\CacheTest.msi", say.
inline WString built(const WString& name) { return tstrings::replace(CACHE_TEST_DIR, L"/", L"\\") + L"\\" + name; }

inline WString machineCache() { return SysInfo::getKnownFolderPath(FOLDERID_ProgramData) + L"\\Tarnell\\Package Cache"; }
inline WString userCache() { return SysInfo::getKnownFolderPath(FOLDERID_LocalAppData) + L"\\Tarnell\\Package Cache"; }

inline WString installed(const WString& name) {
    return SysInfo::readEnvVariable(L"ProgramFiles(x86)") + L"\\Tarnell Cache Test\\" + name;
}

// The names in a folder, sorted; none for a missing folder.
inline WStringList namesIn(const WString& folder) {
    WStringList names;
    if (FileUtils::isDirectory(folder)) {
        FileUtils::DirectoryIterator(folder).recursive(false).findItems(names);
    }
    for (WString& name : names) {
        name = FileUtils::basename(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

inline WStringList cachedFolders() { return namesIn(machineCache()); }

inline DWORD repair(const WString& code) {
    return runProgram(SysInfo::getMsiexecPath(), L"/i " + code + L" REINSTALL=ALL REINSTALLMODE=omus /qn");
}

// The log msiexec.exe and the launcher wrote, as UTF-8: the installer may write
// its log in UTF-16, and the launcher then adds its lines so.
inline std::string logText(const WString& log) {
    const std::string bytes = readFile(log);
    if (bytes.rfind("\xFF\xFE", 0) != 0) {
        return bytes;
    }
    return tstrings::toUtf8(WString(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / 2));
}

class PackageCacheTest : public testing::Test {
protected:
    void SetUp() override { clean(); }
    void TearDown() override { clean(); }

    // A setup program made by tarnell-pack.exe from the package built in that folder.
    WString setupFor(const WString& build, const WString& options = L"") {
        const WString setup = folder.path(L"setup-" + build + L".exe");
        const WString package = built(build + L"\\CacheTest.msi");
        EXPECT_EQ(runProgram(TARNELL_PACK_EXE, options + L" \"" + package + L"\" \"" + setup + L"\""), 0u);
        return setup;
    }

    TestFolder folder;

private:
    static void clean() {
        for (const WString& code : {v1Code, v2Code, userCode}) {
            if (msi::isProductInstalled(Guid(code))) {
                msi::action<msi::uninstall>(msi::uninstall().productCode(Guid(code)))(std::nothrow);
            }
        }
        for (const WString& cache : {machineCache(), userCache()}) {
            const WString known = FileUtils::dirname(FileUtils::dirname(cache));
            for (const WString& name : namesIn(known)) {
                if (name.rfind(L"Tarnell", 0) == 0) {
                    FileUtils::deleteDirectoryRecursive(known + L"\\" + name, std::nothrow);
                }
            }
        }
    }
};

} // namespace cache_test
