#include "CacheSweep.h"

#include "CacheFolder.h"
#include "CacheLifetime.h"
#include "ErrorHandling.h"
#include "WinFileUtils.h"

void forEachCacheRootInReach(bool elevated, const std::function<void(const WString& root)>& visit) {
    for (const PackageLocation location : {PackageLocation::MachineCache, PackageLocation::UserCache}) {
        if (location == PackageLocation::MachineCache && !elevated) {
            continue;
        }
        try {
            const WString root = cacheRoot(location);
            if (FileUtils::isDirectory(root)) {
                visit(root);
            }
        }
        CATCH_AND_REPORT
    }
}

void sweepPackageCaches(bool elevated, const Guid& ownProduct) {
    forEachCacheRootInReach(elevated, [&](const WString& root) { sweepOrphanedFolders(root, ownProduct); });
}
