#include <gtest/gtest.h>

#include <direct.h>

#include "ErrorHandling.h"
#include "FileUtils.h"

namespace {

using namespace FileUtils;

struct Row {
    const wchar_t* input;
    const wchar_t* expected;
};

TEST(Path, Dirname) {
    const Row rows[] = {
        {L"C:\\a\\b", L"C:\\a"}, {L"C:\\a\\\\b", L"C:\\a"}, {L"C:\\a", L"C:"},  {L"b", L""},
        {L"\\b", L""},           {L"\\\\b", L""},           {L"C:\\a\\.", L"C:"}, {L"C:/a/b", L"C:/a"},
        {L"", L""},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(dirname(row.input), row.expected) << row.input;
    }
}

TEST(Path, Basename) {
    const Row rows[] = {{L"C:\\a\\", L""}, {L"name", L"name"}, {L"C:\\a/b\\c", L"c"}, {L"C:/x/y.msi", L"y.msi"}};
    for (const Row& row : rows) {
        EXPECT_EQ(basename(row.input), row.expected) << row.input;
    }
}

TEST(Path, Suffix) {
    const Row rows[] = {
        {L"a.b\\c", L""}, {L"archive.tar.gz", L".gz"}, {L"C:\\dir\\..", L""}, {L"..", L""},
        {L".profile", L".profile"}, {L"C:\\d\\.x", L".x"}, {L"noext", L""}, {L"a.b/c.d", L".d"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(suffix(row.input), row.expected) << row.input;
    }
    EXPECT_EQ(withSuffix(L"C:\\d\\report.txt", L""), L"C:\\d\\report");
    EXPECT_EQ(withSuffix(L"noext", L".tmp"), L"noext.tmp");
}

TEST(Path, JoinAndStrip) {
    EXPECT_EQ(joinPath(L"C:\\tmp\\", L"main.msi"), L"C:\\tmp\\main.msi");
    EXPECT_EQ(joinPath(L"C:\\tmp", L"\\main.msi"), L"C:\\tmp\\main.msi");
    EXPECT_EQ(joinPath(L"C:\\tmp", L"\\\\x"), L"C:\\tmp\\\\x") << "only one leading separator is dropped";
    EXPECT_EQ(joinPath(L"", L"x"), L"x");
    EXPECT_EQ(joinPath(L"x", L""), L"x");
    EXPECT_EQ(stripTrailingSeparators(L"C:\\"), L"C:");
    EXPECT_EQ(stripTrailingSeparators(L"\\/\\"), L"");
    EXPECT_EQ(stripTrailingSeparators(L""), L"");
    EXPECT_EQ(static_cast<const WString&>(PathBuilder(L"C:\\a\\").append(L"b").append(L"/c")), L"C:\\a\\b\\c");
}

TEST(Path, FoldPath) { EXPECT_EQ(foldPath(L"C:/Temp/A.MSI"), L"c:\\temp\\a.msi"); }

TEST(Path, ToAbsolutePathResolvesAsText) {
    wchar_t* cwd = _wgetcwd(nullptr, 0);
    ASSERT_NE(cwd, nullptr);
    const WString current = cwd;
    free(cwd);
    EXPECT_EQ(toAbsolutePath(L""), current);
    EXPECT_EQ(toAbsolutePath(L"no-such-file.txt"), joinPath(current, L"no-such-file.txt"));
    EXPECT_EQ(toAbsolutePath(L"C:\\a\\b\\..\\c"), L"C:\\a\\c");
}

} // namespace
