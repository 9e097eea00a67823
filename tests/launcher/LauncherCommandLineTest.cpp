// The launcher decides on its command line as msiexec.exe reads it: which
// branch runs, which log a failure goes to, what its help says.
#include <gtest/gtest.h>

#include <windows.h>

#include <vector>

#include "StubFixture.h"
#include "WinFileUtils.h"

namespace {

// Each tail reaches the launcher exactly as written here.
TEST_F(LauncherStubTest, BranchFollowsMsiexecsReadingOfTheLine) {
    const struct {
        const wchar_t* tail;
        bool installs;
    } rows[] = {
        {L"/qn MSG=\"a \"\" uninstall \"\"b\"", true},
        {L"INSTALLDIR=\"C:\\Program Files\\App\\\" uninstall", false},
        {L"/qn \"uninstall\"", true},
        {L"/qn uninstall", false},
    };
    for (const auto& row : rows) {
        DeleteFileW(reports.path(L"args.txt").c_str());
        const DWORD code = launch(row.tail);
        EXPECT_EQ(exists(reports.path(L"args.txt")), row.installs) << row.tail;
        if (row.installs) {
            EXPECT_EQ(childCommandLine(), SysInfo::getMsiexecPath() + L" /i " + childArguments().at(1) + L" " + row.tail);
        } else {
            EXPECT_TRUE(code == ERROR_SUCCESS || code == ERROR_UNKNOWN_PRODUCT) << row.tail << " " << code;
        }
    }
    EXPECT_TRUE(isEmptyFolder(temp.path()));
}

// A property value never names a file to write, and the log msiexec.exe would
// write gets the failure line; a folder or a device gets nothing.
TEST_F(LauncherStubTest, FailureLineGoesOnlyToTheLogMsiexecWouldWrite) {
    const WString evil = reports.path(L"evil.txt");
    const WString good = reports.path(L"good.txt");
    const WString folder = reports.path(L"a folder");
    FileUtils::createDirectory(folder);
    const struct {
        WString tail;
        const WString* written;  // nullptr: none
    } rows[] = {
        {L"/qn P=\"a \"\" /l*v " + evil + L"\"", nullptr},
        {L"/qn P=\"C:\\x\\\" /l*v " + good, &good},
        {L"/qn /l*v \"" + folder + L"\"", nullptr},
        {L"/qn /l*v NUL", nullptr},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(launch(row.tail, 0, L"launcher-no-msi.exe"), 0xFFFFFFFFu) << row.tail;
        EXPECT_FALSE(exists(evil)) << row.tail;
        if (row.written != nullptr) {
            EXPECT_EQ(readFile(*row.written).rfind("launcher-no-msi.exe: cannot find resource (name='msi'", 0), 0u);
        }
    }
    EXPECT_TRUE(isEmptyFolder(folder));
}

// A list of cabinets the packer cannot have written: refused before a byte is written.
TEST_F(LauncherStubTest, TamperedCabinetListsWriteNothing) {
    const std::string lists[] = {"x.cab.\n", "x.cab \n", "CON\n", "NUL.cab\n", "\xC3\xA9.cab\n\xC3\x89.cab\n"};
    for (const std::string& list : lists) {
        const WString setup = reports.path(L"tampered.exe");
        ASSERT_TRUE(CopyFileW(besideTestProgram(L"launcher-cabinets.exe").c_str(), setup.c_str(), FALSE));
        const HANDLE update = BeginUpdateResourceW(setup.c_str(), FALSE);
        ASSERT_NE(update, nullptr);
        ASSERT_TRUE(UpdateResourceW(update, RT_RCDATA, L"CABINETS", MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL),
                                    const_cast<char*>(list.data()), static_cast<DWORD>(list.size())));
        ASSERT_TRUE(EndUpdateResourceW(update, FALSE));
        DeleteFileW(reports.path(L"args.txt").c_str());
        EXPECT_EQ(runProgram(setup, L"/qn"), 0xFFFFFFFFu) << list;
        EXPECT_FALSE(exists(reports.path(L"args.txt"))) << "msiexec.exe was started: " << list;
        EXPECT_TRUE(isEmptyFolder(temp.path())) << list;
    }
}

// Help alone is the setup's own (without a display its window returns at once);
// with anything else, the switch is msiexec's.
TEST_F(LauncherStubTest, HelpAloneIsTheSetupsOwn) {
    for (const wchar_t* help : {L"/?", L"-?", L"/h", L"/help"}) {
        EXPECT_EQ(launch(help, 1639), 0u) << help;
        EXPECT_FALSE(exists(reports.path(L"args.txt"))) << help;
    }
    EXPECT_EQ(launch(L"/? /qn", 1639), 1639u);
    EXPECT_EQ(childArguments(), (WStringList{L"/i", childArguments().at(1), L"/?", L"/qn"}));
}

} // namespace
