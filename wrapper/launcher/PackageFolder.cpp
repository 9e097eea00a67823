#include "PackageFolder.h"

#include "CacheLifetime.h"
#include "ErrorHandling.h"
#include "LockedFile.h"
#include "Log.h"
#include "MsiUtils.h"
#include "PrivateSecurity.h"
#include "SetupFailure.h"
#include "WinFileUtils.h"
#include "WinSysInfo.h"

namespace {

WString newTemporaryFolder(bool elevated) {
    const WString temp = setupStep(L"find the temporary folder", SysInfo::getTempDirectory);
    return setupStep(L"create a temporary folder in " + temp, [&] {
        return FileUtils::createTempDirectory(L"", L".tmp", temp, PrivateSecurity(elevated).attributes());
    });
}

WString productFolderName(const Guid& productCode, const WString& productVersion) {
    const std::optional<WString> name = cacheFolderName(productCode.toString(), productVersion);
    if (!name) {
        throw CacheRefusal(tstrings::toUtf8(L"the product version '" + productVersion + L"' cannot name a folder"));
    }
    return *name;
}

} // namespace

TemporaryPackageFolder::TemporaryPackageFolder(bool elevated) : dir(newTemporaryFolder(elevated)), removal(dir) {}

OwnedHandle TemporaryPackageFolder::place(const WString& name, const void* data, size_t size) {
    // Written in its final place: nobody else has had a chance to use the new folder.
    return writeLockedFile(FileUtils::joinPath(dir, name), data, size);
}

CachedPackageFolder::CachedPackageFolder(PackageLocation location, const Guid& productCode,
                                         const WString& productVersion)
    : root(cacheRoot(location)), productCode(productCode),
      folder(location, productFolderName(productCode, productVersion)) {}

CachedPackageFolder::~CachedPackageFolder() {
    try {
        if (!finished) {
            removeWhatWasWritten();
        }
    }
    CATCH_AND_REPORT
}

OwnedHandle CachedPackageFolder::place(const WString& name, const void* data, size_t size) {
    return folder.place(name, data, size);
}

void CachedPackageFolder::finish(DWORD exitCode) {
    finished = true;
    folder.release();
    if (msi::isSuccess(exitCode)) {
        removeOtherVersions(root, productCode, folder.path());
    } else {
        removeWhatWasWritten();
    }
}

// A copy this run found in place may be what the installer already knows: it stays.
void CachedPackageFolder::removeWhatWasWritten() {
    if (folder.changed()) {
        folder.release();
        LOG_INFO("Removing [" << folder.path() << "]: the install did not succeed");
        removeTreeWithPatience(folder.path());
    }
}
