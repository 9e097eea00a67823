#include "FilesTestSupport.h"

#include <algorithm>
#include <thread>

#include "TreeRemoval.h"
#include "UnixLink.h"

namespace {

using namespace files_test;
using namespace std::chrono_literals;
using FileUtils::isFileExists;

// What the system removes at the next restart, the names separated by zeros.
WString pendingRemovals() {
    WString value(1 << 16, L'\0');
    DWORD size = static_cast<DWORD>(value.size() * sizeof(wchar_t));
    if (RegGetValueW(HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Control\\Session Manager",
                     L"PendingFileRenameOperations", RRF_RT_REG_MULTI_SZ, nullptr, value.data(), &size) != ERROR_SUCCESS) {
        return {};
    }
    value.resize(size / sizeof(wchar_t));
    return value;
}

// A folder with a file that someone else holds open, as a virus scanner does.
struct HeldTree {
    HeldTree() {
        FileUtils::createDirectory(dir);
        writeFile(file, "x");
        holder.reset(CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    }

    TempFolder parent;
    const WString dir = parent / L"held";
    const WString file = FileUtils::joinPath(dir, L"main.msi");
    OwnedHandle holder;
};

TEST(TreeRemovalScope, WaitsForAFileHeldForAMoment) {
    HeldTree tree;
    ASSERT_TRUE(tree.holder);
    std::thread release([&] {
        Sleep(700);
        tree.holder.reset();
    });
    LogCapture log;
    { const TreeRemovalScope removal(tree.dir); }
    release.join();
    EXPECT_FALSE(isFileExists(tree.dir));
    for (const WString& line : log.lines()) {
        EXPECT_NE(line.rfind(L"WARNING", 0), 0u) << line;
    }
}

TEST(TreeRemovalScope, GivesUpWithAWarning) {
    HeldTree tree;
    ASSERT_TRUE(tree.holder);
    LogCapture log;
    { const TreeRemovalScope removal(tree.dir, 300ms); }
    EXPECT_TRUE(isFileExists(tree.file));
    const WStringList lines = log.lines();
    const auto warning = std::find_if(lines.begin(), lines.end(), [](const WString& line) {
        return line.rfind(L"WARNING Could not remove [", 0) == 0;
    });
    EXPECT_NE(warning, lines.end());
    if (SysInfo::isElevated()) {
        EXPECT_NE(pendingRemovals().find(tree.file), WString::npos) << "not registered for the next restart";
    }
}

// A link planted in the tree is neither followed nor left for the restart to follow.
TEST(TreeRemovalScope, RestartRemovalNeverFollowsALink) {
    HeldTree tree;
    TempFolder outside;
    const WString kept = outside / L"kept.txt";
    writeFile(kept, "not the tree's");
    const WString link = FileUtils::joinPath(tree.dir, L"link");
    ASSERT_TRUE(plantUnixLink(link, outside.path()));
    { const TreeRemovalScope removal(tree.dir, 300ms); }
    EXPECT_TRUE(isFileExists(kept));
    const WString pending = pendingRemovals();
    EXPECT_EQ(pending.find(outside.path()), WString::npos) << "the link's target is registered";
    EXPECT_EQ(pending.find(link), WString::npos) << "the link is registered, to be followed at the restart";
    if (SysInfo::isElevated()) {
        EXPECT_NE(pending.find(tree.file), WString::npos) << "the rest of the tree goes at the restart";
    }
}

} // namespace
