#include "TreeRemoval.h"

#include <windows.h>

#include <algorithm>

#include "ErrorHandling.h"
#include "Log.h"
#include "WinFileUtils.h"
#include "WinSysInfo.h"

namespace {

bool removeWithPatience(const WString& dir, std::chrono::milliseconds patience) {
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

// Each entry after everything inside it: the reverse of a listing that puts
// every folder before its contents.
void removeAtRestart(const WString& dir) {
    WStringList left;
    FileUtils::DirectoryIterator(dir).findItems(left);
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

TreeRemovalScope::TreeRemovalScope(const WString& dir, std::chrono::milliseconds patience)
    : dir(dir), patience(patience) {}

TreeRemovalScope::~TreeRemovalScope() {
    try {
        if (removeWithPatience(dir, patience)) {
            return;
        }
        const bool elevated = SysInfo::isElevated();
        LOG_WARNING("Could not remove [" << dir << "] within " << patience.count() << " ms"
                                         << (elevated ? "; it goes at the next restart" : ""));
        if (elevated) {
            removeAtRestart(dir);
        }
    }
    CATCH_AND_REPORT
}
