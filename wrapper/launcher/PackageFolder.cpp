#include "PackageFolder.h"

#include "CacheLifetime.h"
#include "ErrorHandling.h"
#include "LockedFile.h"
#include "Log.h"
#include "MsiUtils.h"
#include "PrivateSecurity.h"
#include "SetupFailure.h"
#include "WinErrorHandling.h"
#include "WinFileUtils.h"
#include "WinSysInfo.h"

namespace {

// The user's temporary folder, followed wherever the user's settings lead.
HeldFolder temporaryFolder(const WString& temp) {
    OwnedHandle folder(CreateFileW(temp.c_str(), FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES, shareAll, nullptr,
                                   OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!folder) {
        // The folder is missing: its path is not found, whichever part of it is.
        const DWORD error = GetLastError() == ERROR_FILE_NOT_FOUND ? ERROR_PATH_NOT_FOUND : GetLastError();
        THROW_SYS_ERROR_CODE("Could not create a folder in [" << temp << "]", CreateDirectoryW, error);
    }
    // The path the system gives, which entries are checked against: the
    // temporary folder's is often written with short names.
    WString finalPath = finalPathOf(folder.get());
    return {std::move(folder), std::move(finalPath)};
}

// A new folder in it, made by name in the folder held and held for the run:
// shared with nobody who would delete or rename it.
HeldFolder newPrivateFolder(const HeldFolder& temp, const WString& shownTemp, bool elevated) {
    const PrivateSecurity security(elevated);
    OwnedHandle made;
    DWORD error = ERROR_SUCCESS;
    const WString name = FileUtils::createUniquelyNamed(L"", L".tmp", [&](const WString& candidate) {
        OpenedEntry entry = openEntry(temp.handle.get(), candidate,
                                      {FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                       true, true, security.get()});
        error = entry.error;
        made = std::move(entry.handle);
        return static_cast<bool>(made);
    }, 10);
    if (name.empty()) {
        THROW_SYS_ERROR_CODE("Could not create a folder in [" << shownTemp << "]", CreateDirectoryW, error);
    }
    return {std::move(made), FileUtils::joinPath(temp.path, name)};
}

WString productFolderName(const Guid& productCode, const WString& productVersion) {
    const std::optional<WString> name = cacheFolderName(productCode.toString(), productVersion);
    if (!name) {
        throw CacheRefusal(tstrings::toUtf8(L"the product version '" + productVersion + L"' cannot name a folder"));
    }
    return *name;
}

} // namespace

TemporaryPackageFolder::TemporaryPackageFolder(bool elevated) {
    const WString temp = setupStep(L"find the temporary folder", SysInfo::getTempDirectory);
    setupStep(L"create a temporary folder in " + temp, [&] {
        parent = temporaryFolder(temp);
        folder = newPrivateFolder(parent, temp, elevated);
    });
    // msiexec.exe gets the folder as the user's settings name it.
    shownPath = FileUtils::joinPath(temp, FileUtils::basename(folder.path));
}

TemporaryPackageFolder::~TemporaryPackageFolder() {
    if (folder.handle) {
        CleanupBudget budget;
        finish(0, budget);
    }
}

PlacedFiles TemporaryPackageFolder::place(const std::vector<PackageFile>& files) {
    checkRecordedSizes(files);
    PlacedFiles placed;
    try {
        // Written in its final place: nobody else has had a chance to use the new folder.
        for (const PackageFile& file : files) {
            writeCheckedFile(folder, file, nullptr, placed);
        }
    } catch (...) {
        made = placed.identities;
        throw;
    }
    made = placed.identities;
    return placed;
}

void TemporaryPackageFolder::finish(DWORD, CleanupBudget& budget) {
    // The temporary folder of an elevated run lies in a tree its user can change.
    try {
        removeHeldTree(parent, std::move(folder), budget, Leftovers::ForALaterRun, &made);
    }
    CATCH_AND_REPORT
}

CachedPackageFolder::CachedPackageFolder(PackageLocation location, const Guid& productCode,
                                         const WString& productVersion, const CacheNote& note)
    : root(CacheRoot::open(location, CacheRoot::Install, note)), productCode(productCode),
      folderName(productFolderName(productCode, productVersion)) {}

CachedPackageFolder::~CachedPackageFolder() {
    try {
        if (folder) {
            CleanupBudget budget;
            removeWhatWasMade(budget);
        }
        root->removeIfEmpty();
    }
    CATCH_AND_REPORT
}

const WString& CachedPackageFolder::path() const { return folder->path(); }

PlacedFiles CachedPackageFolder::place(const std::vector<PackageFile>& files) {
    PlacedFiles placed;
    folder = std::make_unique<CacheFolder>(*root, folderName, files, placed);
    made = placed.identities;
    return placed;
}

void CachedPackageFolder::finish(DWORD exitCode, CleanupBudget& budget) {
    try {
        if (msi::isSuccess(exitCode)) {
            const WString kept = FileUtils::basename(folder->path());
            folder.reset();
            removeOtherVersions(*root, productCode, kept, budget);
        } else {
            removeWhatWasMade(budget);
        }
    }
    CATCH_AND_REPORT
    folder.reset();
}

// A folder this run found in place may be what the installer already knows: it stays.
void CachedPackageFolder::removeWhatWasMade(CleanupBudget& budget) {
    const std::unique_ptr<CacheFolder> used = std::move(folder);
    if (used->made()) {
        LOG_INFO("Removing [" << used->path() << "]: the install did not succeed");
        removeHeldTree(root->folder(), used->release(), budget, root->leftovers(), &made);
    }
}
