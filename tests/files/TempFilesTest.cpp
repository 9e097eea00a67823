#include "FilesTestSupport.h"

#include <winioctl.h>

#include <set>

namespace {

using namespace files_test;
using FileUtils::isDirectory;
using FileUtils::isFileExists;

// The fixtures' own file operations would flood the test output with TRACE lines.
class QuietLog : public ::testing::Environment {
public:
    void SetUp() override { previous = Logger::global().setAppender(&nop); }
    void TearDown() override { Logger::global().setAppender(previous); }

private:
    NopLogAppender nop;
    LogAppender* previous = nullptr;
};
[[maybe_unused]] ::testing::Environment* const quietLog = ::testing::AddGlobalTestEnvironment(new QuietLog);

std::string utf8(const WString& text) { return tstrings::toUtf8(text); }

WString numberedName(const WString& dir, const WString& prefix, DWORD number, const WString& suffix) {
    return FileUtils::joinPath(dir, prefix + std::to_wstring(static_cast<int>(number)) + suffix);
}

DWORD numberIn(const WString& path, const WString& prefix, const WString& suffix) {
    const WString name = FileUtils::basename(path);
    return static_cast<DWORD>(std::stol(name.substr(prefix.size(), name.size() - prefix.size() - suffix.size())));
}

// Occupies the temporary names of the coming milliseconds, as files or, by turns, directories.
class NameTaker {
public:
    enum Kind { FilesOnly, FilesAndDirectories };

    NameTaker(const WString& dir, const WString& prefix, const WString& suffix, Kind kind)
        : dir(dir), prefix(prefix), suffix(suffix), kind(kind), next(GetTickCount()) {}

    // Takes names until they reach margin milliseconds ahead of the clock. On a busy machine the
    // clock may outrun the creation, so one call takes at most margin names.
    void stayAhead(DWORD margin) {
        for (DWORD created = 0; next <= GetTickCount() + margin && created < margin; ++created) {
            take(next++);
        }
    }

    // Whatever takes it first, the name stays taken.
    void take(DWORD number) {
        const WString path = name(number);
        if (kind == FilesAndDirectories && number % 2 == 0) {
            CreateDirectoryW(path.c_str(), nullptr);
        } else {
            CloseHandle(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
        }
        taken.insert(path);
    }

    WString name(DWORD number) const { return numberedName(dir, prefix, number, suffix); }
    DWORD last() const { return next - 1; }

    std::set<WString> taken;

private:
    WString dir, prefix, suffix;
    Kind kind;
    DWORD next;
};

TEST(TempNames, IllegalPrefixOrSuffixIsRefused) {
    TempFolder folder;
    const struct {
        WString prefix, suffix;
        std::string error;
    } cases[] = {
        {L"a\tb", L".tmp", "Illegal characters in prefix=a\tb"},
        {L"c:", L".tmp", "Illegal characters in prefix=c:"},
        {L"ok", L".t?", "Illegal characters in suffix=.t?"},
        {L"ok", L"\\x", "Illegal characters in suffix=\\x"},
        {L"a|b", L"<", "Illegal characters in prefix=a|b"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(raisedText([&] { FileUtils::createTempFile(c.prefix, c.suffix, folder.path()); }), c.error);
        EXPECT_EQ(raisedText([&] { FileUtils::createTempDirectory(c.prefix, c.suffix, folder.path()); }), c.error);
    }
    EXPECT_TRUE(startsWith(raisedText([&] { FileUtils::createTempFile(WString(L"n\0l", 3), L"", folder.path()); }),
                           L"Illegal characters in prefix=n"));
    EXPECT_TRUE(listNames(folder.path()).empty());
}

TEST(TempNames, EmptyPrefixGivesNumberAndSuffixFromTickCount) {
    TempFolder folder;
    const DWORD before = GetTickCount();
    const WString file = FileUtils::createTempFile(L"", L".tmp", folder.path());
    const DWORD after = GetTickCount();
    EXPECT_EQ(FileUtils::dirname(file), folder.path());
    EXPECT_EQ(file, numberedName(folder.path(), L"", numberIn(file, L"", L".tmp"), L".tmp"));
    EXPECT_GE(numberIn(file, L"", L".tmp"), before);
    EXPECT_LE(numberIn(file, L"", L".tmp"), after);
    EXPECT_EQ(readFile(file), "");
}

TEST(TempNames, GivesUpAfterExactlyHundredTakenNames) {
    TempFolder folder;
    NameTaker taker(folder.path(), L"t", L".x", NameTaker::FilesOnly);
    const std::string failure = "createTempFile(t, .x, " + utf8(folder.path()) + ") failed";
    // Only a call during which the tick count holds still shows where the attempts end.
    for (const DWORD start = GetTickCount(); GetTickCount() - start < 2000;) {
        taker.stayAhead(300);
        const DWORD before = GetTickCount();
        if (before + 100 > taker.last()) {
            continue;
        }
        const WString hundredFirst = taker.name(before + 100);
        ASSERT_TRUE(FileUtils::deleteFile(hundredFirst));
        const std::string error = raisedText([&] { FileUtils::createTempFile(L"t", L".x", folder.path()); });
        if (GetTickCount() == before) {
            EXPECT_EQ(error, failure);
            EXPECT_FALSE(isFileExists(hundredFirst)) << "a 101st name was tried";
            return;
        }
        taker.take(before + 100);
    }
    GTEST_SKIP() << "the tick count never held still for one call";
}

TEST(TempNames, MissingParentFailsWithoutCreatingIt) {
    TempFolder folder;
    const WString missing = folder / L"missing";
    EXPECT_EQ(raisedText([&] { FileUtils::createTempFile(L"p", L".s", missing); }),
              "createTempFile(p, .s, " + utf8(missing) + ") failed");
    // With the reason, as for every other failed system call.
    EXPECT_EQ(raisedText([&] { FileUtils::createTempDirectory(L"p", L".s", missing); })
                  .rfind("createTempDirectory(p, .s, " + utf8(missing) + ") failed. System error [3]", 0),
              0u);
    EXPECT_FALSE(isFileExists(missing));
}

// Another party may hold the coming names, as files or directories, more of them
// than there are attempts: after the first collisions the names are random, so
// nothing taken in advance can stop the creation, and nothing taken is reused.
TEST(TempDirectory, NamesTakenInAdvanceGiveWayToRandomOnes) {
    TempFolder folder;
    NameTaker taker(folder.path(), L"", L".tmp", NameTaker::FilesAndDirectories);
    const DWORD first = GetTickCount();
    taker.stayAhead(300);
    LogCapture log;
    const WString dir = FileUtils::createTempDirectory(L"", L".tmp", folder.path());
    const bool namesWereAhead = GetTickCount() + 100 <= taker.last();
    EXPECT_EQ(taker.taken.count(dir), 0u);
    EXPECT_TRUE(isDirectory(dir));
    EXPECT_FALSE(FileUtils::isDirectoryNotEmpty(dir));
    EXPECT_EQ(log.lines(), (WStringList{L"TRACE Created [" + dir + L"\\] directory"}));
    if (namesWereAhead) {
        EXPECT_GT(numberIn(dir, L"", L".tmp") - first, taker.last() - first) << "not a random name";
    }
}

TEST(DirectoryCreation, CreatesMissingLevelsOnly) {
    TempFolder folder;
    const WString deep = folder / L"a/b\\c\\";
    WStringList created;
    LogCapture log;
    FileUtils::createDirectory(deep, &created);
    // Each level keeps the separator it was written with.
    const WString a = folder / L"a/", b = a + L"b\\", c = b + L"c\\";
    EXPECT_EQ(log.lines(), (WStringList{L"TRACE Created [" + a + L"] directory", L"TRACE Created [" + b + L"] directory",
                                      L"TRACE Created [" + c + L"] directory"}));
    EXPECT_EQ(created, (WStringList{folder / L"a", folder / L"a/b", folder / L"a/b\\c"}));
    log.records.clear();
    FileUtils::createDirectory(deep);
    EXPECT_TRUE(log.lines().empty()) << "an existing directory is no failure and no news";
}

TEST(DirectoryCreation, ExistingFileLevelFails) {
    TempFolder folder;
    writeFile(folder / L"plain", "x");
    const std::string error = raisedText([&] { FileUtils::createDirectory(folder / L"plain\\sub"); });
    EXPECT_TRUE(startsWith(error, L"CreateDirectory(" + (folder / L"plain\\") + L") failed. System error [")) << error;
    EXPECT_FALSE(isFileExists(folder / L"plain\\sub"));
}

TEST(FileDeletion, MissingFileCountsAsDeleted) {
    TempFolder folder;
    LogCapture log;
    EXPECT_TRUE(FileUtils::deleteFile(folder / L"none", std::nothrow));
    EXPECT_TRUE(FileUtils::deleteFile(folder / L"none"));
    EXPECT_TRUE(FileUtils::deleteFile(folder / L"none\\deeper"));
    EXPECT_TRUE(log.lines().empty());
}

TEST(FileDeletion, ClearsReadOnlyAttributeFirst) {
    TempFolder folder;
    const WString file = folder / L"ro.txt";
    writeFile(file, "x");
    ASSERT_TRUE(SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_READONLY));
    LogCapture log;
    EXPECT_TRUE(FileUtils::deleteFile(file));
    EXPECT_EQ(log.lines(), (WStringList{L"TRACE Discarded R/O attribute from [" + file + L"] file",
                                      L"TRACE Deleted [" + file + L"] file"}));
    EXPECT_FALSE(isFileExists(file));
}

TEST(FileDeletion, OpenFileIsKept) {
    TempFolder folder;
    const WString file = folder / L"open.txt";
    writeFile(file, "x");
    const OwnedHandle holder(CreateFileW(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(holder);
    EXPECT_FALSE(FileUtils::deleteFile(file, std::nothrow));
    EXPECT_TRUE(startsWith(raisedText([&] { FileUtils::deleteFile(file); }), L"DeleteFile(" + file + L") failed"));
    EXPECT_TRUE(isFileExists(file));
}

TEST(DirectoryDeletion, OnlyEmptyOrMissingDirectories) {
    TempFolder folder;
    const WString dir = folder / L"full";
    FileUtils::createDirectory(dir);
    writeFile(dir + L"\\f", "x");
    EXPECT_TRUE(FileUtils::isDirectoryNotEmpty(dir));
    EXPECT_FALSE(FileUtils::deleteDirectory(dir, std::nothrow));
    EXPECT_TRUE(
        startsWith(raisedText([&] { FileUtils::deleteDirectory(dir); }), L"RemoveDirectory(" + dir + L") failed"));
    EXPECT_TRUE(isDirectory(dir));
    EXPECT_TRUE(FileUtils::deleteDirectory(folder / L"missing", std::nothrow));
    FileUtils::deleteFile(dir + L"\\f");
    EXPECT_FALSE(FileUtils::isDirectoryNotEmpty(dir));
    LogCapture log;
    EXPECT_TRUE(FileUtils::deleteDirectory(dir));
    EXPECT_EQ(log.lines(), (WStringList{L"TRACE Deleted [" + dir + L"] directory"}));
}

TEST(DeleteFiles, KeepsSubdirectoriesAndTheDirectory) {
    TempFolder folder;
    FileUtils::createDirectory(folder / L"sub");
    writeFile(folder / L"one", "1");
    writeFile(folder / L"sub\\two", "2");
    FileUtils::deleteFiles(folder.path());
    EXPECT_EQ(listNames(folder.path()), (WStringList{L"sub"}));
    EXPECT_TRUE(isFileExists(folder / L"sub\\two"));
    EXPECT_TRUE(FileUtils::deleteFiles(folder / L"missing", std::nothrow));
}

TEST(DeleteDirectoryRecursive, RemovesTheWholeTree) {
    TempFolder folder;
    const WString tree = folder / L"tree";
    FileUtils::createDirectory(tree + L"\\a\\b");
    writeFile(tree + L"\\a\\b\\ro", "x");
    SetFileAttributesW((tree + L"\\a\\b\\ro").c_str(), FILE_ATTRIBUTE_READONLY);
    writeFile(tree + L"\\top", "x");
    FileUtils::deleteDirectoryRecursive(tree);
    EXPECT_FALSE(isFileExists(tree));
    EXPECT_TRUE(FileUtils::deleteDirectoryRecursive(tree, std::nothrow));
    FileUtils::deleteDirectoryRecursive(tree);
}

TEST(DeleteDirectoryRecursive, FilePathIsRefused) {
    TempFolder folder;
    const WString file = folder / L"plain";
    writeFile(file, "x");
    EXPECT_FALSE(FileUtils::deleteDirectoryRecursive(file, std::nothrow));
    EXPECT_TRUE(isFileExists(file));
    FileUtils::DirectoryCallback ignore;
    EXPECT_TRUE(startsWith(raisedText([&] { FileUtils::iterateDirectory(file, ignore); }),
                           L"FindFirstFile(" + file + L") failed"));
}

TEST(DeleteDirectoryRecursive, LockedFileKeepsItsAncestorsOnly) {
    TempFolder folder;
    const WString tree = folder / L"tree";
    FileUtils::createDirectory(tree + L"\\held");
    FileUtils::createDirectory(tree + L"\\free");
    writeFile(tree + L"\\held\\locked", "x");
    writeFile(tree + L"\\held\\other", "x");
    writeFile(tree + L"\\free\\f", "x");
    {
        const OwnedHandle holder(
            CreateFileW((tree + L"\\held\\locked").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(holder);
        EXPECT_FALSE(FileUtils::deleteDirectoryRecursive(tree, std::nothrow));
    }
    EXPECT_EQ(listNames(tree), (WStringList{L"held"}));
    EXPECT_EQ(listNames(tree + L"\\held"), (WStringList{L"locked"}));
}

class CountingCallback : public FileUtils::DirectoryCallback {
public:
    explicit CountingCallback(int stopAfter) : stopAfter(stopAfter) {}
    bool onFile(const WString& path) override { return visit(path); }
    bool onDirectory(const WString& path) override { return visit(path); }

    WStringList seen;

private:
    bool visit(const WString& path) {
        seen.push_back(FileUtils::basename(path));
        return static_cast<int>(seen.size()) < stopAfter;
    }
    int stopAfter;
};

TEST(IterateDirectory, SkipsDotsAndStopsWhenAsked) {
    TempFolder folder;
    FileUtils::createDirectory(folder / L"d");
    writeFile(folder / L"f1", "");
    writeFile(folder / L"f2", "");
    CountingCallback all(100);
    FileUtils::iterateDirectory(folder.path(), all);
    EXPECT_EQ(std::set<WString>(all.seen.begin(), all.seen.end()), (std::set<WString>{L"d", L"f1", L"f2"}));
    EXPECT_EQ(all.seen.size(), 3u);
    CountingCallback first(1);
    FileUtils::iterateDirectory(folder.path(), first);
    EXPECT_EQ(first.seen.size(), 1u);
}

TEST(DeletionScope, FilesGoFirstAndOnlyOnce) {
    TempFolder folder;
    const WString tree = folder / L"tree", lone = folder / L"lone", empty = folder / L"empty";
    FileUtils::createDirectory(tree);
    FileUtils::createDirectory(empty);
    writeFile(tree + L"\\inner", "x");
    writeFile(lone, "x");
    LogCapture log;
    {
        FileUtils::DeletionScope scope;
        scope.addEmptyDirectory(empty).addDirectoryTree(tree).addFile(lone);
        scope.execute();
        EXPECT_EQ(log.lines(), (WStringList{L"TRACE Deleted [" + lone + L"] file",
                                          L"TRACE Deleted [" + tree + L"\\inner] file",
                                          L"TRACE Deleted [" + tree + L"] directory",
                                          L"TRACE Deleted [" + empty + L"] directory"}));
        writeFile(lone, "back");
        log.records.clear();
        scope.execute();
    }
    EXPECT_TRUE(log.lines().empty());
    EXPECT_EQ(readFile(lone), "back");
}

TEST(DeletionScope, DestructionDeletesUnlessCancelled) {
    TempFolder folder;
    const WString kept = folder / L"kept", gone = folder / L"gone";
    writeFile(kept, "x");
    writeFile(gone, "x");
    {
        FileUtils::DeletionScope scope;
        scope.addFile(kept).cancel();
        scope.addFile(gone);
    }
    EXPECT_EQ(listNames(folder.path()), (WStringList{L"kept"}));
}

TEST(DeletionScope, EmptyDirectoriesEndAtTheParent) {
    TempFolder folder;
    FileUtils::createDirectory(folder / L"p\\a\\b");
    LogCapture log;
    FileUtils::DeletionScope().addEmptyDirectories(folder / L"P/", L"A/b");
    const WString a = FileUtils::foldPath(folder / L"p\\a");
    EXPECT_EQ(log.lines(),
              (WStringList{L"TRACE Deleted [" + a + L"\\b] directory", L"TRACE Deleted [" + a + L"] directory"}));
    EXPECT_EQ(listNames(folder.path()), (WStringList{L"p"}));

    // "." names the parent itself: the walk must not climb on to the parent's ancestors.
    FileUtils::createDirectory(folder / L"outer\\q");
    FileUtils::DeletionScope().addEmptyDirectories(folder / L"outer\\q", L".");
    EXPECT_TRUE(isDirectory(folder / L"outer"));
}

// Wine cannot make reparse points through the Windows API (CreateSymbolicLinkW pretends,
// FSCTL_SET_REPARSE_POINT answers ERROR_NOT_SUPPORTED) but reports a Unix symbolic link to a
// directory as a directory reparse point; there the link is made through Wine's own exports.
class DirectoryLink {
public:
    DirectoryLink(const WString& link, const WString& target) : link(link) {
        made = CreateSymbolicLinkW(link.c_str(), target.c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY | 2) && isLink();
        made = made || makeJunction(target) || makeUnixLink(target);
    }
    ~DirectoryLink() {
        if (unixLink.empty()) {
            return;
        }
        const char* argv[] = {"/bin/rm", "-f", unixLink.c_str(), nullptr};
        spawn()(argv, 1);
    }
    DirectoryLink(const DirectoryLink&) = delete;
    DirectoryLink& operator=(const DirectoryLink&) = delete;

    explicit operator bool() const { return made; }

private:
    using SpawnFunction = LONG __cdecl(const char* const* argv, int wait);
    using UnixNameFunction = char* __cdecl(const wchar_t* dosName);

    template <class Function>
    static Function* wineExport(const wchar_t* module, const char* name) {
        const FARPROC address = GetProcAddress(GetModuleHandleW(module), name);
        return reinterpret_cast<Function*>(reinterpret_cast<void (*)()>(address));
    }
    static SpawnFunction* spawn() { return wineExport<SpawnFunction>(L"ntdll.dll", "__wine_unix_spawnvp"); }

    bool isLink() const {
        const DWORD attributes = GetFileAttributesW(link.c_str());
        return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
               (attributes & FILE_ATTRIBUTE_DIRECTORY);
    }

    bool makeJunction(const WString& target) const {
        if (!CreateDirectoryW(link.c_str(), nullptr)) {
            return false;
        }
        if (setMountPoint(L"\\??\\" + target)) {
            return true;
        }
        RemoveDirectoryW(link.c_str());
        return false;
    }

    bool setMountPoint(const WString& substitute) const {
        struct MountPointBuffer {
            DWORD tag;
            WORD dataLength, reserved;
            WORD substituteOffset, substituteLength, printOffset, printLength;
            wchar_t names[2 * MAX_PATH];
        } buffer{};
        if (substitute.size() >= MAX_PATH) {
            return false;
        }
        // The names: the substitute and an empty print name, each zero-terminated.
        substitute.copy(buffer.names, substitute.size());
        buffer.tag = IO_REPARSE_TAG_MOUNT_POINT;
        buffer.substituteLength = static_cast<WORD>(substitute.size() * sizeof(wchar_t));
        buffer.printOffset = static_cast<WORD>(buffer.substituteLength + sizeof(wchar_t));
        buffer.dataLength = static_cast<WORD>(4 * sizeof(WORD) + buffer.printOffset + sizeof(wchar_t));
        const OwnedHandle dir(CreateFileW(link.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                          FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
        DWORD returned = 0;
        return dir && DeviceIoControl(dir.get(), FSCTL_SET_REPARSE_POINT, &buffer, 8 + buffer.dataLength, nullptr, 0,
                                      &returned, nullptr);
    }

    std::string unixName(const WString& path) const {
        char* name = wineExport<UnixNameFunction>(L"kernel32.dll", "wine_get_unix_file_name")(path.c_str());
        const std::string result = name ? name : "";
        HeapFree(GetProcessHeap(), 0, name);
        return result;
    }

    bool makeUnixLink(const WString& target) {
        if (!GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name") || !spawn()) {
            return false;
        }
        unixLink = unixName(link);
        const std::string unixTarget = unixName(target);
        const char* argv[] = {"/bin/ln", "-s", unixTarget.c_str(), unixLink.c_str(), nullptr};
        return spawn()(argv, 1) == 0 && isLink();
    }

    WString link;
    std::string unixLink;
    bool made = false;
};

TEST(DeleteDirectoryRecursive, RemovesDirectoryLinksWithoutFollowingThem) {
    TempFolder folder;
    const WString target = folder / L"target", tree = folder / L"tree";
    FileUtils::createDirectory(target);
    FileUtils::createDirectory(tree);
    writeFile(target + L"\\keep", "kept");
    DirectoryLink link(tree + L"\\link", target);
    if (!link) {
        GTEST_SKIP() << "no directory link could be made here";
    }
    FileUtils::deleteDirectoryRecursive(tree + L"\\link", std::nothrow);
    EXPECT_EQ(readFile(target + L"\\keep"), "kept") << "deleting the link itself";
    const bool removed = FileUtils::deleteDirectoryRecursive(tree, std::nothrow);
    EXPECT_EQ(readFile(target + L"\\keep"), "kept") << "deleting a tree holding the link";
    // Wine's RemoveDirectoryW acts on a Unix link's target, so there the link itself may stay.
    EXPECT_EQ(removed, !isFileExists(tree));
}

} // namespace
