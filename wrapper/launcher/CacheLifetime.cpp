#include "CacheLifetime.h"

#include <windows.h>

#include <msi.h>

#include <functional>

#include "ErrorHandling.h"
#include "Log.h"
#include "MsiUtils.h"
#include "PackageLocation.h"
#include "TreeRemoval.h"
#include "UniqueResource.h"
#include "WinFileUtils.h"

namespace {

// Each folder directly in root, with its name.
void forEachFolder(const WString& root, const std::function<void(const WString& path, const WString& name)>& visit) {
    WStringList folders;
    FileUtils::DirectoryIterator(root).recursive(false).withFiles(false).findItems(folders);
    for (const WString& path : folders) {
        visit(path, FileUtils::basename(path));
    }
}

bool isSameFolder(const WString& a, const WString& b) {
    return FileUtils::foldPath(FileUtils::stripTrailingSeparators(a)) ==
           FileUtils::foldPath(FileUtils::stripTrailingSeparators(b));
}

// A setup that uses a cache folder holds it without sharing deletion, which
// keeps anyone else from opening it for deletion.
bool isHeldBySetup(const WString& path) {
    const OwnedHandle folder(CreateFileW(path.c_str(), DELETE | FILE_READ_ATTRIBUTES,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                         FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    return !folder && GetLastError() == ERROR_SHARING_VIOLATION;
}

// A setup that takes the folder in the meantime holds every file it placed,
// so it loses nothing it uses: what is removed it writes again.
void removeUnlessHeld(const WString& path, const std::function<bool(const WString&)>& remove) {
    if (isHeldBySetup(path)) {
        LOG_INFO("Left [" << path << "] in the package cache: a setup is using it");
        return;
    }
    if (!remove(path)) {
        LOG_INFO("Left [" << path << "] in the package cache: it could not be removed now");
    }
}

bool removeWithPatience(const WString& path) { return removeTreeWithPatience(path); }

bool removeAtOnce(const WString& path) { return FileUtils::deleteDirectoryRecursive(path, std::nothrow); }

} // namespace

WString lastUsedSourceFolder(const WString& lastUsedSource) {
    // The source's type (n network or folder, m media, u URL), its index, then its path.
    const size_t first = lastUsedSource.find(L';');
    const size_t second = first == WString::npos ? WString::npos : lastUsedSource.find(L';', first + 1);
    if (first != 1 || second == WString::npos || second + 1 >= lastUsedSource.size()) {
        return {};
    }
    return FileUtils::stripTrailingSeparators(lastUsedSource.substr(second + 1));
}

void removeOtherVersions(const WString& root, const Guid& productCode, const WString& keptFolder) {
    const WString code = productCode.toString();
    forEachFolder(root, [&](const WString& path, const WString& name) {
        if (!isFolderOfProduct(name, code) || isSameFolder(path, keptFolder)) {
            return;
        }
        // Where the installer last found the product, and where it installed it
        // from (the one Wine's installer records): asked only when there is a
        // folder to spare, as it loads the installer library.
        const WString lastUsed =
            lastUsedSourceFolder(msi::getProductInfo(std::nothrow, productCode, INSTALLPROPERTY_LASTUSEDSOURCE));
        const WString installedFrom = msi::getProductInfo(std::nothrow, productCode, INSTALLPROPERTY_INSTALLSOURCE);
        if (!isSameFolder(path, lastUsed) && !isSameFolder(path, installedFrom)) {
            removeUnlessHeld(path, removeWithPatience);
        }
    });
}

void removeProductFolders(const WString& root, const Guid& productCode) {
    const WString code = productCode.toString();
    forEachFolder(root, [&](const WString& path, const WString& name) {
        if (isFolderOfProduct(name, code)) {
            removeUnlessHeld(path, removeWithPatience);
        }
    });
}

void sweepOrphanedFolders(const WString& root, const Guid& ownProduct) {
    forEachFolder(root, [&](const WString& path, const WString& name) {
        const std::optional<WString> code = productCodeOfFolder(name);
        if (code && !(Guid(*code) == ownProduct) && msi::queryProductState(Guid(*code)) == INSTALLSTATE_UNKNOWN) {
            removeUnlessHeld(path, removeAtOnce);
        }
    });
}
