#include "TreeRemoval.h"

#include <windows.h>

#include <algorithm>

#include "ErrorHandling.h"
#include "Log.h"
#include "WinFileUtils.h"
#include "WinSysInfo.h"

namespace {

bool removeNowOrAfterPauses(const WString& dir, std::chrono::milliseconds patience) {
    std::chrono::milliseconds pause(50);
    std::chrono::milliseconds waited(0);
    while (!FileUtils::deleteDirectoryRecursive(dir, std::nothrow)) {
        if (waited >= patience) {
            return false;
        }
        pause = std::min(pause, patience - waited);
        Sleep(static_cast<DWORD>(pause.count()));
        waited += pause;
        pause *= 2;
    }
    return true;
}

bool isLink(const WString& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

// Every entry below dir, each folder before what it holds. A link is left out
// with all behind it: at the restart it would be followed, and what it points
// to removed in its place.
class RestartListing : public FileUtils::DirectoryCallback {
public:
    bool onFile(const WString& path) override {
        if (!isLink(path)) {
            entries.push_back(path);
        }
        return true;
    }
    bool onDirectory(const WString& path) override {
        if (!isLink(path)) {
            entries.push_back(path);
            FileUtils::iterateDirectory(path, *this);
        }
        return true;
    }

    WStringList entries;
};

// Each entry after everything inside it.
void removeAtRestart(const WString& dir) {
    RestartListing listing;
    FileUtils::iterateDirectory(dir, listing);
    WStringList left = std::move(listing.entries);
    std::reverse(left.begin(), left.end());
    left.push_back(dir);
    for (const WString& path : left) {
        if (!MoveFileExW(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT)) {
            LOG_WARNING("Could not register [" << path << "] for removal at the next restart: system error "
                                                << GetLastError());
        }
    }
}

} // namespace

bool removeTreeWithPatience(const WString& dir, std::chrono::milliseconds patience) {
    if (removeNowOrAfterPauses(dir, patience)) {
        return true;
    }
    const bool elevated = SysInfo::isElevated();
    LOG_WARNING("Could not remove [" << dir << "] within " << patience.count() << " ms"
                                     << (elevated ? "; it goes at the next restart" : ""));
    if (elevated && !isLink(dir)) {
        removeAtRestart(dir);
    }
    return false;
}

TreeRemovalScope::TreeRemovalScope(const WString& dir, std::chrono::milliseconds patience)
    : dir(dir), patience(patience) {}

TreeRemovalScope::~TreeRemovalScope() {
    try {
        removeTreeWithPatience(dir, patience);
    }
    CATCH_AND_REPORT
}
