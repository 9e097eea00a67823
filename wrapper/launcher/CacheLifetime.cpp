#include "CacheLifetime.h"

#include <windows.h>

#include <msi.h>

#include <functional>

#include "FileUtils.h"
#include "FolderTrust.h"
#include "Log.h"
#include "MsiUtils.h"
#include "PackageLocation.h"
#include "WinErrorHandling.h"

namespace {

bool isSameFolder(const WString& a, const WString& b) {
    return FileUtils::foldPath(FileUtils::stripTrailingSeparators(a)) ==
           FileUtils::foldPath(FileUtils::stripTrailingSeparators(b));
}

// Removes the folder name in the cache. A setup that uses a cache folder holds
// it shared for reading only, which keeps this open for deletion out; one that
// would take the folder while it is removed fails to hold it and goes elsewhere.
void removeUnlessHeld(const CacheRoot& root, const WString& name, CleanupBudget& budget) {
    const HeldFolder& cache = root.folder();
    const WString path = FileUtils::joinPath(cache.path, name);
    OpenedEntry entry = openEntry(cache.handle.get(), name,
                                  {DELETE | FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | READ_CONTROL,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE});
    if (entry.error == ERROR_SHARING_VIOLATION) {
        LOG_INFO("Left [" << path << "] in the package cache: a setup is using it");
        return;
    }
    if (!entry.handle) {
        return;
    }
    if (const std::optional<WString> distrust = entryDistrust(entry.handle.get(), cache.path, name, true, root.trusted())) {
        LOG_WARNING("Left [" << path << "] in the package cache alone: " << *distrust);
        return;
    }
    removeHeldTree(cache, {std::move(entry.handle), path}, budget, root.leftovers());
}

void forEachFolderName(const CacheRoot& root, const std::function<void(const WString& name)>& visit) {
    for (const WString& name : entryNames(root.folder().handle.get())) {
        visit(name);
    }
}

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

void removeOtherVersions(const CacheRoot& root, const Guid& productCode, const WString& keptName,
                         CleanupBudget& budget) {
    const WString code = productCode.toString();
    forEachFolderName(root, [&](const WString& name) {
        if (!isFolderOfProduct(name, code) || isSameFolder(name, keptName)) {
            return;
        }
        // Where the installer last found the product, and where it installed it
        // from (the one Wine's installer records): asked only when there is a
        // folder to spare, as it loads the installer library.
        const WString path = FileUtils::joinPath(root.folder().path, name);
        const WString lastUsed =
            lastUsedSourceFolder(msi::getProductInfo(std::nothrow, productCode, INSTALLPROPERTY_LASTUSEDSOURCE));
        const WString installedFrom = msi::getProductInfo(std::nothrow, productCode, INSTALLPROPERTY_INSTALLSOURCE);
        if (!isSameFolder(path, lastUsed) && !isSameFolder(path, installedFrom)) {
            removeUnlessHeld(root, name, budget);
        }
    });
}

void removeProductFolders(const CacheRoot& root, const Guid& productCode, CleanupBudget& budget) {
    const WString code = productCode.toString();
    forEachFolderName(root, [&](const WString& name) {
        if (isFolderOfProduct(name, code)) {
            removeUnlessHeld(root, name, budget);
        }
    });
}

void sweepOrphanedFolders(const CacheRoot& root, const Guid& ownProduct, CleanupBudget& budget) {
    forEachFolderName(root, [&](const WString& name) {
        const std::optional<WString> code = productCodeOfFolder(name);
        if (code && !(Guid(*code) == ownProduct) && msi::queryProductState(Guid(*code)) == INSTALLSTATE_UNKNOWN) {
            removeUnlessHeld(root, name, budget);
        }
    });
}
