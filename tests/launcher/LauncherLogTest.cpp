// The log a setup has msiexec.exe write when its command line names none.
#include <gtest/gtest.h>

#include <windows.h>

#include "StubFixture.h"
#include "WinFileUtils.h"

namespace {

// The files in the folder whose names start with prefix.
WStringList filesStartingWith(const WString& folder, const WString& prefix) {
    WStringList found;
    WStringList all;
    FileUtils::DirectoryIterator(folder).recursive(false).withFolders(false).findItems(all);
    for (const WString& path : all) {
        if (FileUtils::basename(path).rfind(prefix, 0) == 0) {
            found.push_back(path);
        }
    }
    return found;
}

// Each row: a tail, and whether the setup adds the switch for its own log after it.
TEST_F(LauncherStubTest, ALogOfItsOwnUnlessOneIsNamed) {
    const struct {
        const wchar_t* tail;
        bool added;
    } rows[] = {
        {L"", true},
        {L"/qn P=\"a b\"", true},
        {L"/qn /l*v \"C:\\logs\\x.log\"", false},
        {L"/log x.log", false},
        // An open quote would swallow the switch: better no log than another value.
        {L"/qn P=\"open", false},
    };
    for (const auto& row : rows) {
        const TestFolder logs;
        const ScopedEnv tmp(L"TMP", logs.path());
        const ScopedEnv tempAlias(L"TEMP", logs.path());
        ASSERT_EQ(launch(row.tail, 0, L"setup-sample.exe"), 0u) << row.tail;
        const WStringList made = filesStartingWith(logs.path(), L"Tarnell Sample_");
        ASSERT_EQ(made.size(), row.added ? 1u : 0u) << row.tail;
        const WString line = childCommandLine();
        const WString typed = WString(row.tail).empty() ? WString() : L" " + WString(row.tail);
        const WString expected = row.added ? typed + L" /l*v \"" + made[0] + L"\"" : typed;
        EXPECT_TRUE(line.ends_with(L"main.msi\"" + expected) || line.ends_with(L"main.msi" + expected)) << line;
    }
}

// A log that cannot be made is no reason to fail.
TEST_F(LauncherStubTest, NoPlaceForTheLogIsNoFailure) {
    const ScopedEnv tmp(L"TMP", temp.path(L"missing"));
    const ScopedEnv tempAlias(L"TEMP", temp.path(L"missing"));
    EXPECT_EQ(launch(L"/qn", 0, L"setup-sample.exe"), 0u);
    EXPECT_TRUE(childCommandLine().ends_with(L" /qn")) << childCommandLine();
}

} // namespace
