#include "Uninstall.h"

#include <optional>

#include "CacheLifetime.h"
#include "CacheSweep.h"
#include "ErrorHandling.h"
#include "MsiUtils.h"
#include "SetupFailure.h"
#include "SetupResources.h"
#include "WinSysInfo.h"

DWORD uninstallProduct(const MsiexecArguments& arguments) {
    const Guid productCode = setupStep(L"read the product code it carries", SetupResources::productCode);
    const std::optional<pack::SetupFacts> facts = setupStep(L"read what it records of its package", SetupResources::facts);
    DWORD status = 0;
    {
        const msi::UiLevelGuard uiLevel(INSTALLUILEVEL_NONE);
        msi::uninstall removal;
        removal.productCode(productCode);
        // The installer's log, when the command line asks for one as msiexec.exe would be asked.
        if (const std::optional<LogRequest> log = arguments.logRequest()) {
            removal.logFile = log->file;
            removal.logModes = log->modes;
            removal.logAttributes = log->attributes;
        }
        status = msi::action<msi::uninstall>(removal)(std::nothrow).getStatus();
    }
    // A setup made without the cache leaves every cache as it found it; what
    // follows never changes the removal's result.
    if (facts && facts->packageCache) {
        try {
            const bool elevated = SysInfo::isElevated();
            CleanupBudget budget;
            // A removed product needs none of its cached copies.
            if (msi::isSuccess(status)) {
                forEachCacheInReach(elevated,
                                    [&](const CacheRoot& root) { removeProductFolders(root, productCode, budget); });
            }
            sweepPackageCaches(elevated, productCode, budget);
        }
        CATCH_AND_REPORT
    }
    return status;
}
