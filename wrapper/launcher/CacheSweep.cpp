#include "CacheSweep.h"

#include "CacheFolder.h"
#include "CacheLifetime.h"
#include "ErrorHandling.h"
#include "WinFileUtils.h"

void sweepPackageCaches(bool elevated) {
    for (const PackageLocation location : {PackageLocation::MachineCache, PackageLocation::UserCache}) {
        if (location == PackageLocation::MachineCache && !elevated) {
            continue;
        }
        try {
            const WString root = cacheRoot(location);
            if (FileUtils::isDirectory(root)) {
                sweepOrphanedFolders(root);
            }
        }
        CATCH_AND_REPORT
    }
}
