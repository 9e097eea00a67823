#include "TreeRemoval.h"

#include <algorithm>

#include "FileUtils.h"
#include "Log.h"
#include "WinSysInfo.h"

namespace {

constexpr ACCESS_MASK removalAccess = DELETE | FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES;

// One pass over a folder's entries. It notes what someone holds (tried again,
// and at the restart where that is safe, deepest first) and whether anything
// is never to be removed: an entry that turned out to lie elsewhere, or one
// this run did not make where only its own are removed.
class RemovalPass {
public:
    explicit RemovalPass(const std::vector<FileIdentity>* onlyThese) : onlyThese(onlyThese) {}

    void removeEntries(const HeldFolder& folder) {
        for (const WString& name : entryNames(folder.handle.get())) {
            removeEntry(folder, name);
        }
    }

    WStringList held;
    bool keptAny = false;

private:
    void removeEntry(const HeldFolder& folder, const WString& name) {
        const WString path = FileUtils::joinPath(folder.path, name);
        OpenedEntry entry = openEntry(folder.handle.get(), name, {removalAccess, shareAll});
        if (entry.error == ERROR_FILE_NOT_FOUND) {
            return;
        }
        if (!entry.handle) {
            held.push_back(path);
            return;
        }
        const EntryFacts facts = entryFactsOf(entry.handle.get());
        if (!isAtPlace(entry.handle.get(), folder.path, name)) {
            LOG_WARNING("Left [" << path << "]: it leads elsewhere");
            keptAny = true;
            return;
        }
        if (onlyThese != nullptr && !madeByThisRun(entry.handle.get())) {
            LOG_INFO("Left [" << path << "]: this run did not make it");
            keptAny = true;
            return;
        }
        if (facts.isFolder && !facts.isLink && !removeInner(entry, path)) {
            return;
        }
        if (deleteThrough(entry.handle.get())) {
            return;
        }
        // A link that stays is never registered: the restart would follow it.
        if (facts.isLink) {
            keptAny = true;
        } else {
            held.push_back(path);
        }
    }

    // True when the folder held by entry is empty now.
    bool removeInner(OpenedEntry& entry, const WString& path) {
        HeldFolder inner{std::move(entry.handle), path};
        RemovalPass pass(onlyThese);
        pass.removeEntries(inner);
        entry.handle = std::move(inner.handle);
        held.insert(held.end(), pass.held.begin(), pass.held.end());
        keptAny = keptAny || pass.keptAny;
        if (!pass.held.empty()) {
            held.push_back(path);
        }
        return pass.held.empty() && !pass.keptAny;
    }

    bool madeByThisRun(HANDLE entry) const {
        const FileIdentity identity = identityOf(entry);
        return std::find(onlyThese->begin(), onlyThese->end(), identity) != onlyThese->end();
    }

    const std::vector<FileIdentity>* onlyThese;
};

// The restart removes by path, as SYSTEM, each entry after what it holds.
void registerForRestart(const WStringList& paths) {
    for (const WString& path : paths) {
        if (!MoveFileExW(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT)) {
            LOG_WARNING("Could not register [" << path << "] for removal at the next restart: system error "
                                                << GetLastError());
        }
    }
}

} // namespace

CleanupBudget::CleanupBudget(std::chrono::milliseconds total)
    : deadline(GetTickCount64() + static_cast<ULONGLONG>(total.count())) {}

bool CleanupBudget::pause() {
    const ULONGLONG now = GetTickCount64();
    if (now >= deadline) {
        return false;
    }
    Sleep(static_cast<DWORD>(std::min<ULONGLONG>(nextPause, deadline - now)));
    nextPause *= 2;
    return true;
}

bool removeHeldTree(const HeldFolder& parent, HeldFolder folder, CleanupBudget& budget, Leftovers leftovers,
                    const std::vector<FileIdentity>* onlyThese) {
    RemovalPass pass(onlyThese);
    try {
        do {
            pass = RemovalPass(onlyThese);
            pass.removeEntries(folder);
        } while (!pass.held.empty() && budget.pause());
        if (pass.held.empty() && !pass.keptAny && deleteHeldFolder(parent, folder)) {
            LOG_TRACE("Deleted [" << folder.path << "] directory");
            return true;
        }
    } catch (const std::exception& e) {
        LOG_WARNING("Removing [" << folder.path << "] stopped: " << e.what());
    }
    folder.handle.reset();
    if (pass.held.empty()) {
        return false;
    }
    pass.held.push_back(folder.path);
    const bool atRestart = leftovers == Leftovers::AtRestart && SysInfo::isElevated();
    LOG_WARNING("Could not remove all of [" << folder.path << "] in time"
                                             << (atRestart ? "; what is held goes at the next restart"
                                                           : "; what is left stays for a later run"));
    if (atRestart) {
        registerForRestart(pass.held);
    }
    return false;
}
