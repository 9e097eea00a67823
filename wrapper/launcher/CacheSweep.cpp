#include "CacheSweep.h"

#include "CacheLifetime.h"
#include "ErrorHandling.h"
#include "Log.h"

void forEachCacheInReach(bool elevated, const std::function<void(const CacheRoot& root)>& visit) {
    for (const PackageLocation location : {PackageLocation::MachineCache, PackageLocation::UserCache}) {
        if (location == PackageLocation::MachineCache && !elevated) {
            continue;
        }
        try {
            const auto note = [](const WString& text) { LOG_INFO(text); };
            if (const std::unique_ptr<CacheRoot> root = CacheRoot::open(location, CacheRoot::Tidy, note)) {
                visit(*root);
                root->removeIfEmpty();
            }
        }
        CATCH_AND_REPORT
    }
}

void sweepPackageCaches(bool elevated, const Guid& ownProduct, CleanupBudget& budget) {
    forEachCacheInReach(elevated, [&](const CacheRoot& root) { sweepOrphanedFolders(root, ownProduct, budget); });
}
