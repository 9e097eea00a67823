// A custom-action DLL built on the tarnell library. The installer calls each
// exported function with the handle of the running installation; while an
// InstallerLogTee lives, every LOG_* line also goes into the installer's log.
#include "MsiCA.h"

// Runs early in the installation, with the installation's properties at hand.
extern "C" __declspec(dllexport) UINT WINAPI ImmediateAction(MSIHANDLE install) {
    const msi::InstallerLogTee logTee(install);
    try {
        // The arguments come from the property KOVA_ARGS: "A=1*B=x=y**tail ...".
        msi::DeferredCA ca(install, L"KOVA_ARGS");
        LOG_INFO("Run modes: " << ca.getModes());
        LOG_INFO("Arguments: A=" << ca.getParsedArg(L"A") << ", B=" << ca.getParsedArg(L"B")
                                 << ", tail=" << ca.getParsedArg(L""));
        LOG_INFO("Installing " << msi::Database::forActiveInstallation(install).getProperty(L"ProductName") << " "
                               << ca.getProductCode().toString());

        ca.removeProperty(L"KOVA_OBSOLETE");
        ca.setPropertyIfEmpty(L"KOVA_GREETING", L"Hello from ImmediateAction");
        // A deferred action sees no properties: what it needs becomes its
        // custom-action data, the property named after it.
        const WString installDir = msi::normalizeDirectoryPath(ca.getProperty(L"INSTALLDIR"));
        ca.setProperty(L"DeferredAction", L"GREETING=" + ca.getProperty(L"KOVA_GREETING") + L"*DIR=" + installDir);
        return ERROR_SUCCESS;
    }
    CATCH_AND_REPORT
    return ERROR_INSTALL_FAILURE;
}

// Runs from the installation script, with only its custom-action data.
extern "C" __declspec(dllexport) UINT WINAPI DeferredAction(MSIHANDLE install) {
    const msi::InstallerLogTee logTee(install);
    try {
        // Scheduled, it reads CustomActionData; run immediately, the property of its own name.
        const msi::DeferredCA ca(install, L"DeferredAction");
        LOG_INFO("Deferred with run modes " << ca.getModes() << " and data: " << ca.getArgs());
        LOG_INFO("Greeting: " << ca.getParsedArg(L"GREETING") << ", directory: " << ca.getParsedArg(L"DIR"));
        return ERROR_SUCCESS;
    }
    CATCH_AND_REPORT
    return ERROR_INSTALL_FAILURE;
}
