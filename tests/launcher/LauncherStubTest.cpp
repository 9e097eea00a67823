// The launcher against a stand-in msiexec.exe that reports what it was handed.
#include <gtest/gtest.h>

#include <windows.h>

#include <tlhelp32.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <regex>
#include <set>

#include "LauncherTesting.h"
#include "StubFixture.h"
#include "RunProgram.h"
#include "ScopedEnv.h"
#include "TestFolder.h"
#include "WineDllOverride.h"
#include "WinFileUtils.h"
#include "tstrings.h"

namespace {

// The temporary folder as the settings name it, in long names or in short
// ones (as GetTempPath often gives it): the package goes below it, and all of
// it goes after.
TEST_F(LauncherStubTest, HandsTheExtractedPackageToMsiexec) {
    wchar_t shortName[MAX_PATH] = {};
    ASSERT_NE(GetShortPathNameW(temp.path().c_str(), shortName, MAX_PATH), 0u);
    ASSERT_NE(WString(shortName), temp.path());
    for (const WString& folder : {temp.path(), WString(shortName)}) {
        const ScopedEnv tmp(L"TMP", folder);
        const ScopedEnv tempAlias(L"TEMP", folder);
        ASSERT_EQ(launch(L""), 0u);
        const WStringList args = childArguments();
        ASSERT_EQ(args.size(), 2u);
        EXPECT_EQ(args[0], L"/i");
        const std::wregex packagePath(std::regex_replace(folder, std::wregex(L"\\\\"), L"\\\\") +
                                      L"\\\\-?[0-9]+\\.tmp\\\\main\\.msi");
        EXPECT_TRUE(std::regex_match(args[1], packagePath)) << args[1];
        EXPECT_EQ(readFile(packageSeenByChild()), readFile(TARNELL_SAMPLE_PACKAGE)) << "main.msi while the child ran";
        EXPECT_TRUE(isEmptyFolder(temp.path())) << "the launcher's directory is gone: " << folder;
    }
}

// msiexec.exe reads its command line by rules of its own, with no backslash escapes:
// the user's reaches it as typed, but for whole-quoted property assignments.
TEST_F(LauncherStubTest, PassesTheCommandLineOnAsTyped) {
    const struct {
        const wchar_t* typed;
        const wchar_t* passedOn;
    } rows[] = {
        // From cmd: a trailing backslash before a quote, msiexec.exe's doubled quotes, an empty "".
        {L"P=\"C:\\My Dir\\\" /l*v \"C:\\my logs\\a.log\"", nullptr},
        {L"Q=\"say \"\"hi\"\" now\" \"\" /qn", nullptr},
        {L"  NAME=\"\u00e9t\u00e9 \u65e5\u672c\" Uninstall /uninstall --uninstall \"uninstall \"", 
         L"NAME=\"\u00e9t\u00e9 \u65e5\u672c\" Uninstall /uninstall --uninstall \"uninstall \""},
        // From PowerShell, which quotes each argument whole.
        {L"\"INSTALLDIR=C:\\My Apps\" /qn \"/l*v\" \"C:\\my logs\\a.log\"",
         L"INSTALLDIR=\"C:\\My Apps\" /qn \"/l*v\" \"C:\\my logs\\a.log\""},
    };
    for (const auto& row : rows) {
        ASSERT_EQ(launch(row.typed), 0u) << row.typed;
        const WString line = childCommandLine();
        const WString package = childArguments().at(1);
        EXPECT_EQ(line, SysInfo::getMsiexecPath() + L" /i " + package + L" " + (row.passedOn ? row.passedOn : row.typed));
    }
}

// A launcher whose own path has blanks, started with it in quotes.
TEST_F(LauncherStubTest, ProgramPathInQuotesIsNoPartOfTheTail) {
    TestFolder downloads;
    const WString setup = downloads.path(L"My Setup Files\\setup.exe");
    FileUtils::createDirectory(FileUtils::dirname(setup));
    ASSERT_TRUE(CopyFileW(besideTestProgram(L"launcher-sample.exe").c_str(), setup.c_str(), FALSE));
    ASSERT_EQ(runProgram(setup, L"/qn A=1"), 0u);
    EXPECT_EQ(childCommandLine(), SysInfo::getMsiexecPath() + L" /i " + childArguments().at(1) + L" /qn A=1");
}

// CreateProcessW takes 32,767 characters: more is refused before anything starts.
TEST_F(LauncherStubTest, TooLongACommandLineStartsNothing) {
    const WString value(32700, L'x');
    EXPECT_EQ(launch(L"/qn P=" + value), 0xFFFFFFFFu);
    EXPECT_FALSE(exists(reports.path(L"args.txt"))) << "msiexec.exe was started";
    EXPECT_TRUE(isEmptyFolder(temp.path()));
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

TEST_F(LauncherStubTest, PackageCannotBeChangedWhileMsiexecRuns) {
    const ScopedEnv probe(L"TARNELL_STUB_PROBE", L"1");
    ASSERT_EQ(launch(L"/qn"), 0u);
    const std::map<WString, WString> results = probeResults();
    EXPECT_EQ(results.at(L"write"), std::to_wstring(ERROR_SHARING_VIOLATION));
    EXPECT_EQ(results.at(L"delete"), std::to_wstring(ERROR_SHARING_VIOLATION));
    EXPECT_EQ(readFile(packageSeenByChild()), readFile(TARNELL_SAMPLE_PACKAGE)) << "the child could not read it";
    EXPECT_TRUE(isEmptyFolder(temp.path()));
}

// The process this launcher started, once it runs.
HANDLE waitForChildOf(HANDLE launcher) {
    const DWORD parent = GetProcessId(launcher);
    for (int attempt = 0; attempt < 300; ++attempt) {
        const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
        PROCESSENTRY32W entry{};
        entry.dwSize = sizeof(entry);
        DWORD child = 0;
        for (BOOL more = Process32FirstW(snapshot, &entry); more && child == 0;
             more = Process32NextW(snapshot, &entry)) {
            if (entry.th32ParentProcessID == parent) {
                child = entry.th32ProcessID;
            }
        }
        CloseHandle(snapshot);
        if (child != 0) {
            return OpenProcess(PROCESS_TERMINATE, FALSE, child);
        }
        Sleep(100);
    }
    return nullptr;
}

TEST_F(LauncherStubTest, CrashedOrKilledChildCodeComesBackWhole) {
    {
        const ScopedEnv crash(L"TARNELL_STUB_CRASH", L"1");
        EXPECT_EQ(launch(L"/qn"), DWORD{EXCEPTION_ACCESS_VIOLATION});
    }
    EXPECT_TRUE(isEmptyFolder(temp.path()));

    ASSERT_TRUE(DeleteFileW(reports.path(L"args.txt").c_str()));
    const ScopedEnv sleep(L"TARNELL_STUB_SLEEP", L"20000");
    const HANDLE launcher = startProgram(besideTestProgram(L"launcher-sample.exe"), L"/qn");
    ASSERT_NE(launcher, nullptr);
    // The stand-in writes its report first thing: it is running, not starting.
    for (int attempt = 0; attempt < 300 && !exists(reports.path(L"args.txt")); ++attempt) {
        Sleep(100);
    }
    const HANDLE child = waitForChildOf(launcher);
    ASSERT_NE(child, nullptr);
    // What Windows reports for a console program closed with its window.
    const DWORD killed = STATUS_CONTROL_C_EXIT;
    EXPECT_TRUE(TerminateProcess(child, killed));
    CloseHandle(child);
    EXPECT_EQ(waitForExitCode(launcher), killed);
    EXPECT_TRUE(isEmptyFolder(temp.path()));
}

TEST_F(LauncherStubTest, EightLaunchersAtOnce) {
    const ScopedEnv sleep(L"TARNELL_STUB_SLEEP", L"500");
    const int count = 8;
    std::vector<HANDLE> launchers;
    for (int i = 0; i < count; ++i) {
        const ScopedEnv exitCode(L"TARNELL_STUB_EXIT", std::to_wstring(100 + i));
        const ScopedEnv report(L"TARNELL_STUB_REPORT", reports.path(L"args" + std::to_wstring(i) + L".txt"));
        launchers.push_back(startProgram(besideTestProgram(L"launcher-sample.exe"), L"/qn"));
    }
    std::set<WString> folders;
    for (int i = 0; i < count; ++i) {
        EXPECT_EQ(waitForExitCode(launchers[i]), DWORD(100 + i)) << i;
        const WString report = L"args" + std::to_wstring(i) + L".txt";
        const WStringList args = childArguments(report);
        ASSERT_EQ(args.size(), 3u) << i;
        folders.insert(FileUtils::dirname(args[1]));
        EXPECT_EQ(readFile(packageSeenByChild(report)), readFile(TARNELL_SAMPLE_PACKAGE)) << i;
    }
    EXPECT_EQ(folders.size(), size_t{count});
    EXPECT_TRUE(isEmptyFolder(temp.path()));
}

// Folders under every name the tick count gives next, as someone who wants the
// launcher to fail, or to take one of them and run the main.msi planted there,
// makes them: after the first collisions the launcher's names are random.
ULONGLONG fileTimeNow() {
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    return (ULONGLONG{now.dwHighDateTime} << 32) | now.dwLowDateTime;
}

ULONGLONG lastWriteTime(const WString& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data);
    return (ULONGLONG{data.ftLastWriteTime.dwHighDateTime} << 32) | data.ftLastWriteTime.dwLowDateTime;
}

TEST_F(LauncherStubTest, PreCreatedCandidateFoldersAreNeverUsed) {
    std::set<WString> taken;
    const auto plant = [&](DWORD number) {
        const WString folder = temp.path(std::to_wstring(static_cast<int>(number)) + L".tmp");
        ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
        if (number % 50 == 0) {
            std::ofstream(std::filesystem::path(folder) / L"main.msi", std::ios::binary) << "planted";
        }
        taken.insert(folder);
    };
    // Wine creates folders about as fast as the clock runs: names from a little
    // ahead of it, and the launcher started once the clock has reached them. On
    // a loaded machine it may start only after them, which proves nothing: then
    // the test plants names ahead again.
    bool ranAmongThePlantedNames = false;
    for (int attempt = 0; attempt < 3 && !ranAmongThePlantedNames; ++attempt) {
        const DWORD start = GetTickCount() + 1500;
        const DWORD end = start + 2500;
        for (DWORD number = start; number != end; ++number) {
            plant(number);
        }
        while (static_cast<LONG>(GetTickCount() - start) < 0) {
            Sleep(10);
        }
        const ULONGLONG startTime = fileTimeNow();
        ASSERT_EQ(launch(L""), 0u);
        // The stand-in reports first thing: the launcher had made its folder by then.
        ranAmongThePlantedNames = (lastWriteTime(reports.path(L"args.txt")) - startTime) / 10000 < end - start - 10;
    }
    ASSERT_TRUE(ranAmongThePlantedNames) << "the launcher ran after the planted names three times";
    const WString folder = FileUtils::dirname(childArguments().at(1));
    EXPECT_EQ(taken.count(folder), 0u) << folder;
    EXPECT_EQ(readFile(packageSeenByChild()), readFile(TARNELL_SAMPLE_PACKAGE));

    std::set<WString> left;
    for (const auto& entry : std::filesystem::directory_iterator(temp.path())) {
        left.insert(entry.path().wstring());
        const auto planted = entry.path() / L"main.msi";
        if (std::filesystem::exists(planted)) {
            EXPECT_EQ(readFile(planted.wstring()), "planted") << planted.wstring();
        } else {
            EXPECT_TRUE(std::filesystem::is_empty(entry.path())) << entry.path().wstring();
        }
    }
    EXPECT_TRUE(left == taken) << "planted folders gone, or the launcher's own left behind";
}

// A temporary-files directory the system cannot give: no folder anywhere, the
// current directory included.
TEST_F(LauncherStubTest, NoTemporaryDirectoryFailsCreatingNothing) {
    TestFolder current;
    const ScopedEnv tooLong(L"TMP", temp.path(WString(400, L'x')));
    const ScopedEnv tooLongAlias(L"TEMP", temp.path(WString(400, L'x')));
    wchar_t previous[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, previous);
    SetCurrentDirectoryW(current.path().c_str());
    const DWORD code = launch(L"/qn");
    SetCurrentDirectoryW(previous);
    if (code == 0) {
        GTEST_SKIP() << "this system gives a temporary-files directory all the same";
    }
    EXPECT_EQ(code, 0xFFFFFFFFu);
    EXPECT_FALSE(exists(reports.path(L"args.txt"))) << "msiexec.exe was started";
    EXPECT_TRUE(isEmptyFolder(current.path()));
    // Only the folder made current above.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(temp.path()), std::filesystem::directory_iterator()), 1);
}

// A silent install names a log: the launcher's failure is added to it, one line.
TEST_F(LauncherStubTest, FailureGoesToTheLogAskedFor) {
    const WString log = reports.path(L"my logs\\setup.log");
    FileUtils::createDirectory(FileUtils::dirname(log));
    EXPECT_EQ(launch(L"/qn /l*v \"" + log + L"\"", 0, L"launcher-no-msi.exe"), 0xFFFFFFFFu);
    const std::string text = readFile(log);
    EXPECT_EQ(text.rfind("launcher-no-msi.exe: cannot find resource (name='msi', type='#10')", 0), 0u) << text;
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
    EXPECT_EQ(text.find('\n'), text.size() - 1) << "one line";
}

// The cabinets the package names lie beside it while msiexec.exe runs, locked like it.
TEST_F(LauncherStubTest, ExternalCabinetsLieBesideThePackage) {
    const ScopedEnv probe(L"TARNELL_STUB_PROBE", L"1");
    ASSERT_EQ(launch(L"/qn", 0, L"launcher-cabinets.exe"), 0u);
    const std::map<WString, WString> results = probeResults();
    const std::pair<const wchar_t*, const char*> cabinets[] = {
        {L"disk1.cab", "first cabinet"}, {L"cab 2.cab", "second cabinet"}, {L"donn\u00e9es.cab", "third cabinet"}};
    for (const auto& [name, content] : cabinets) {
        EXPECT_EQ(readFile(reports.path(WString(L"args.txt.") + name)), content) << name;
        EXPECT_EQ(results.at(WString(L"write:") + name), std::to_wstring(ERROR_SHARING_VIOLATION)) << name;
    }
    EXPECT_EQ(results.size(), 2u + 3u) << "files beside the package that the list does not name";
    EXPECT_TRUE(isEmptyFolder(temp.path()));
}

TEST_F(LauncherStubTest, UnsafeCabinetNameStartsNothing) {
    EXPECT_EQ(launch(L"/qn", 0, L"launcher-unsafe-cabinets.exe"), 0xFFFFFFFFu);
    EXPECT_FALSE(exists(reports.path(L"args.txt"))) << "msiexec.exe was started";
    EXPECT_TRUE(isEmptyFolder(temp.path()));
}

// A virus scanner holds the package for a moment after msiexec.exe ends.
TEST_F(LauncherStubTest, PackageHeldAfterMsiexecIsStillRemoved) {
    const ScopedEnv hold(L"TARNELL_STUB_HOLD", L"3000");
    ASSERT_EQ(launch(L"/qn"), 0u);
    EXPECT_TRUE(isEmptyFolder(temp.path()));
}

} // namespace
