#pragma once

#include <windows.h>

#include <msi.h>
#include <msiquery.h>

namespace msi {

// The installer functions, bound at run time from the system directory's
// msi.dll: msi.dll is not a known DLL, so a load-time import would be
// satisfied by a planted copy beside the executable first.
struct Library {
    decltype(&MsiCloseHandle) closeHandle;
    decltype(&MsiGetProductInfoW) getProductInfo;
    decltype(&MsiQueryProductStateW) queryProductState;
    decltype(&MsiGetPropertyW) getProperty;
    decltype(&MsiSetPropertyW) setProperty;
    decltype(&MsiConfigureProductExW) configureProductEx;
    decltype(&MsiInstallProductW) installProduct;
    decltype(&MsiDoActionW) doAction;
    decltype(&MsiGetActiveDatabase) getActiveDatabase;
    decltype(&MsiOpenDatabaseW) openDatabase;
    decltype(&MsiDatabaseOpenViewW) databaseOpenView;
    decltype(&MsiViewExecute) viewExecute;
    decltype(&MsiViewFetch) viewFetch;
    decltype(&MsiViewModify) viewModify;
    decltype(&MsiViewClose) viewClose;
    decltype(&MsiCreateRecord) createRecord;
    decltype(&MsiRecordGetStringW) recordGetString;
    decltype(&MsiRecordSetStringW) recordSetString;
    decltype(&MsiRecordSetInteger) recordSetInteger;
    decltype(&MsiRecordSetStreamW) recordSetStream;
    decltype(&MsiRecordGetFieldCount) recordGetFieldCount;
    decltype(&MsiRecordGetInteger) recordGetInteger;
    decltype(&MsiRecordReadStream) recordReadStream;

    // The calls the program knows only by ordinal.
    decltype(&MsiGetMode) getMode;                // 64
    decltype(&MsiProcessMessage) processMessage;  // 103
    decltype(&MsiSetExternalUIW) setExternalUI;   // 137
    decltype(&MsiSetInternalUI) setInternalUI;    // 141
    decltype(&MsiEnableLogW) enableLog;           // 169
};

// Loads msi.dll on first use and keeps it loaded for the life of the process.
const Library& library();

} // namespace msi
