#include "Uninstall.h"

#include <optional>

#include "CacheLifetime.h"
#include "CacheSweep.h"
#include "ErrorHandling.h"
#include "MsiUtils.h"
#include "WinSysInfo.h"

DWORD uninstallProduct(const Guid& productCode, const std::optional<pack::SetupFacts>& facts, const RunLog& log) {
    DWORD status = 0;
    {
        const msi::UiLevelGuard uiLevel(INSTALLUILEVEL_NONE);
        msi::uninstall removal;
        removal.productCode(productCode);
        // The installer's log, as the command line would ask msiexec.exe for it, or the setup's own.
        if (log.request) {
            removal.logFile = log.request->file;
            removal.logModes = log.request->modes;
            removal.logAttributes = log.request->attributes;
        }
        status = msi::action<msi::uninstall>(removal)(std::nothrow).getStatus();
    }
    // A setup made without the cache leaves every cache as it found it; what
    // follows never changes the removal's result.
    if (facts && facts->packageCache) {
        try {
            const bool elevated = SysInfo::isElevated();
            CleanupBudget budget;
            forEachCacheInReach(elevated, [&](const CacheRoot& root) {
                // A removed product needs none of its cached copies.
                if (msi::isSuccess(status)) {
                    removeProductFolders(root, productCode, budget);
                }
                sweepOrphanedFolders(root, productCode, budget);
            });
        }
        CATCH_AND_REPORT
    }
    return status;
}
