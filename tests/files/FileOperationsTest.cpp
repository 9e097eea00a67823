#include <algorithm>

#include "FilesTestSupport.h"

namespace {

using namespace files_test;
using FileUtils::isFileExists;

WStringList stagedTemporaries(const WString& dir) {
    WStringList found;
    for (const WString& name : listNames(dir)) {
        if (tstrings::startsWith(name, L"qvd") && tstrings::endsWith(name, L".tmp")) {
            found.push_back(name);
        }
    }
    return found;
}

TEST(FileCopy, CreatesMissingDirectoriesFirst) {
    TempFolder folder;
    const WString from = folder / L"src", to = folder / L"x\\y\\copy";
    writeFile(from, "data");
    LogCapture log;
    FileUtils::copyFile(from, to, true);
    EXPECT_EQ(readFile(to), "data");
    ASSERT_EQ(log.lines().size(), 3u);
    EXPECT_EQ(log.lines()[0], L"TRACE Created [" + (folder / L"x\\") + L"] directory");
    EXPECT_EQ(log.lines()[2], L"TRACE Copied [" + from + L"] file to [" + to + L"]");
    EXPECT_TRUE(startsWith(raisedText([&] { FileUtils::copyFile(from, to, true); }),
                           L"CopyFile(" + from + L", " + to + L", 1) failed"));
}

TEST(FileMove, FailIfExistsKeepsBothFiles) {
    TempFolder folder;
    const WString from = folder / L"a", to = folder / L"b";
    writeFile(from, "A");
    writeFile(to, "B");
    EXPECT_TRUE(startsWith(raisedText([&] { FileUtils::moveFile(from, to, true); }),
                           L"MoveFileEx(" + from + L", " + to + L", 2) failed"));
    EXPECT_EQ(readFile(from), "A");
    EXPECT_EQ(readFile(to), "B");
    LogCapture log;
    FileUtils::moveFile(from, to, false);
    EXPECT_EQ(readFile(to), "A");
    EXPECT_FALSE(isFileExists(from));
    EXPECT_EQ(log.lines(), (WStringList{L"TRACE Moved '" + from + L"' file to '" + to + L"'"}));
}

TEST(FileMove, NamesFoldersAsSuch) {
    TempFolder folder;
    const WString from = folder / L"d", to = folder / L"e\\d";
    FileUtils::createDirectory(from);
    FileUtils::createDirectory(folder / L"e");
    LogCapture log;
    FileUtils::moveFile(from, to, true);
    EXPECT_EQ(log.lines(), (WStringList{L"TRACE Moved '" + from + L"' folder to '" + to + L"'"}));
    EXPECT_TRUE(FileUtils::isDirectory(to));
}

TEST(StagedFileWriter, ReplacesTheDestinationOnlyWhenFinalized) {
    TempFolder folder;
    const WString dst = folder / L"out.bin";
    writeFile(dst, "old");
    std::string data(8 << 20, '\0');
    for (size_t i = 0; i < data.size(); ++i) {
        data[i] = static_cast<char>(i * 7);
    }
    FileUtils::StagedFileWriter writer(dst);
    writer.write(data.data(), data.size());
    EXPECT_EQ(readFile(dst), "old");
    EXPECT_EQ(stagedTemporaries(folder.path()).size(), 1u);
    writer.finalize();
    EXPECT_EQ(readFile(dst), data);
    EXPECT_TRUE(stagedTemporaries(folder.path()).empty());
}

TEST(StagedFileWriter, AbandonedWritersLeaveNothingBehind) {
    TempFolder folder;
    const WString dst = folder / L"out.bin";
    writeFile(dst, "old");
    {
        FileUtils::StagedFileWriter first(dst);
        FileUtils::StagedFileWriter second(folder / L"other.bin");
        first.write("new", 3);
        EXPECT_EQ(stagedTemporaries(folder.path()).size(), 2u) << "two writers share no temporary";
    }
    EXPECT_EQ(readFile(dst), "old");
    EXPECT_EQ(listNames(folder.path()), (WStringList{L"out.bin"}));
}

TEST(StagedFileWriter, FailedMoveLeavesDestinationAndNoTemporary) {
    TempFolder folder;
    const WString dir = folder / L"dir", locked = folder / L"locked";
    FileUtils::createDirectory(dir);
    writeFile(dir + L"\\inside", "in");
    writeFile(locked, "old");
    OwnedHandle holder(CreateFileW(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(holder);
    for (const WString& dst : {dir, locked}) {
        const std::string error = raisedText([&] { FileUtils::StagedFileWriter(dst).write("new", 3).finalize(); });
        EXPECT_TRUE(startsWith(error, L"MoveFileEx(" + folder.path()));
        EXPECT_NE(error.find(tstrings::toUtf8(L", " + dst + L", 3) failed")), std::string::npos) << error;
        EXPECT_TRUE(stagedTemporaries(folder.path()).empty());
    }
    EXPECT_EQ(readFile(dir + L"\\inside"), "in");
    EXPECT_EQ(listNames(dir), (WStringList{L"inside"}));
    holder.reset();
    EXPECT_EQ(readFile(locked), "old");
}

TEST(StagedFileWriter, MissingDestinationDirectoryCreatesNothing) {
    TempFolder folder;
    const WString missing = folder / L"missing";
    EXPECT_EQ(raisedText([&] { FileUtils::StagedFileWriter writer(missing + L"\\out.bin"); }),
              "createTempFile(qvd, .tmp, " + tstrings::toUtf8(missing) + ") failed");
    EXPECT_TRUE(listNames(folder.path()).empty());
}

TEST(DirectoryIterator, ListsParentsBeforeChildren) {
    TempFolder folder;
    const WString root = folder.path(), a = folder / L"a", b = a + L"\\b", c = b + L"\\c";
    FileUtils::createDirectory(c);
    writeFile(folder / L"f", "");
    writeFile(b + L"\\g", "");

    WStringList folders{L"kept"};
    FileUtils::DirectoryIterator(root).withFiles(false).findItems(folders);
    EXPECT_EQ(folders, (WStringList{L"kept", a, b, c}));

    WStringList all;
    FileUtils::DirectoryIterator(root).findItems(all);
    ASSERT_EQ(all.size(), 5u);
    const auto indexOf = [&](const WString& path) { return std::find(all.begin(), all.end(), path) - all.begin(); };
    EXPECT_LT(indexOf(b), indexOf(b + L"\\g"));
    EXPECT_LT(indexOf(b), indexOf(c));
    EXPECT_LT(indexOf(a), indexOf(b));
    EXPECT_LT(indexOf(folder / L"f"), 5);

    WStringList top;
    FileUtils::DirectoryIterator(root).recursive(false).withFolders(false).findItems(top);
    EXPECT_EQ(top, (WStringList{folder / L"f"}));

    WStringList none{L"kept"};
    FileUtils::DirectoryIterator(folder / L"missing").findItems(none);
    EXPECT_EQ(none, (WStringList{L"kept"}));
}

TEST(CreateUniqueFile, NumbersATakenName) {
    TempFolder folder;
    const WString report = folder / L"report.txt", plain = folder / L"plain";
    EXPECT_EQ(FileUtils::createUniqueFile(report), report);
    EXPECT_EQ(FileUtils::createUniqueFile(plain), plain);
    const WString numbered = FileUtils::createUniqueFile(report);
    const WString numberedPlain = FileUtils::createUniqueFile(plain);
    const auto isNumbered = [](const WString& name, const WString& prefix, const WString& suffix) {
        const WString number = name.substr(prefix.size(), name.size() - prefix.size() - suffix.size());
        return tstrings::startsWith(name, prefix) && tstrings::endsWith(name, suffix) && !number.empty() &&
               number.find_first_not_of(L"-0123456789") == WString::npos;
    };
    EXPECT_TRUE(isNumbered(numbered, folder / L"report", L".txt")) << numbered;
    EXPECT_TRUE(isNumbered(numberedPlain, plain, L"")) << numberedPlain;
    EXPECT_EQ(listNames(folder.path()).size(), 4u);
}

} // namespace
