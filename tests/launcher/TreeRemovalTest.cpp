// Removing a folder through handles: what someone holds, links, and files of others.
#include <gtest/gtest.h>

#include <windows.h>

#include <thread>

#include "LogCapture.h"
#include "PendingRemovals.h"
#include "TestFiles.h"
#include "TestFolder.h"
#include "TreeRemoval.h"
#include "UnixLink.h"
#include "WinFileUtils.h"

namespace {

using namespace std::chrono_literals;
using FileUtils::isFileExists;

HeldFolder hold(const WString& dir) {
    OwnedHandle folder(CreateFileW(dir.c_str(), FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                   FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    EXPECT_TRUE(folder) << dir;
    WString path = finalPathOf(folder.get());
    return {std::move(folder), std::move(path)};
}

// Removes dir, held, through its parent.
bool removeTree(const WString& dir, CleanupBudget& budget, Leftovers leftovers,
                const std::vector<FileIdentity>* onlyThese = nullptr) {
    const HeldFolder parent = hold(FileUtils::dirname(dir));
    return removeHeldTree(parent, hold(dir), budget, leftovers, onlyThese);
}

// A folder with a file that someone else holds open without sharing deletion,
// as a virus scanner may.
struct HeldTree {
    HeldTree() {
        FileUtils::createDirectory(dir);
        writeFile(file, "x");
        holder.reset(CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    }

    TestFolder parent;
    const WString dir = parent.path(L"held");
    const WString file = FileUtils::joinPath(dir, L"main.msi");
    OwnedHandle holder;
};

TEST(TreeRemoval, WaitsForAFileHeldForAMoment) {
    HeldTree tree;
    ASSERT_TRUE(tree.holder);
    std::thread release([&] {
        Sleep(300);
        tree.holder.reset();
    });
    CleanupBudget budget(3s);
    const bool removed = removeTree(tree.dir, budget, Leftovers::ForALaterRun);
    release.join();
    EXPECT_TRUE(removed);
    EXPECT_FALSE(isFileExists(tree.dir));
}

// Past the budget, what is held stays; only a trusted tree is left for the restart.
TEST(TreeRemoval, LeavesWhatIsHeldPastTheBudget) {
    for (const Leftovers leftovers : {Leftovers::ForALaterRun, Leftovers::AtRestart}) {
        HeldTree tree;
        ASSERT_TRUE(tree.holder);
        LogCapture log;
        CleanupBudget budget(200ms);
        EXPECT_FALSE(removeTree(tree.dir, budget, leftovers));
        EXPECT_TRUE(isFileExists(tree.file));
        const bool registered = pendingRemovals().find(tree.file) != WString::npos;
        EXPECT_EQ(registered, leftovers == Leftovers::AtRestart && SysInfo::isElevated()) << static_cast<int>(leftovers);
    }
}

// A link planted in the tree is neither followed nor left for the restart to follow.
TEST(TreeRemoval, NeverFollowsALink) {
    HeldTree tree;
    TestFolder outside;
    const WString kept = outside.path(L"kept.txt");
    writeFile(kept, "not the tree's");
    const WString link = FileUtils::joinPath(tree.dir, L"link");
    ASSERT_TRUE(plantUnixLink(link, outside.path()));
    CleanupBudget budget(200ms);
    EXPECT_FALSE(removeTree(tree.dir, budget, Leftovers::AtRestart));
    EXPECT_EQ(readFile(kept), "not the tree's");
    const WString pending = pendingRemovals();
    EXPECT_EQ(pending.find(outside.path()), WString::npos) << "the link's target is registered";
    EXPECT_EQ(pending.find(link), WString::npos) << "the link is registered, to be followed at the restart";
    EXPECT_TRUE(removeUnixLink(link));
}

TEST(TreeRemoval, RemovesOnlyWhatThisRunMade) {
    TestFolder parent;
    const WString dir = parent.path(L"made");
    FileUtils::createDirectory(dir);
    writeFile(dir + L"\\mine.cab", "mine");
    writeFile(dir + L"\\theirs.cab", "theirs");
    const std::vector<FileIdentity> made = {identityOf(
        OwnedHandle(CreateFileW((dir + L"\\mine.cab").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr))
            .get())};
    CleanupBudget budget(200ms);
    EXPECT_FALSE(removeTree(dir, budget, Leftovers::ForALaterRun, &made));
    EXPECT_EQ(readFile(dir + L"\\theirs.cab"), "theirs");
    EXPECT_FALSE(isFileExists(dir + L"\\mine.cab"));
}

} // namespace
