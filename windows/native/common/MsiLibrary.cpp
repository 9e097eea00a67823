#include "MsiLibrary.h"

#include "WinDll.h"

namespace msi {

namespace {

Library bind(const Dll& dll) {
    Library lib{};
    lib.closeHandle = dll.function<decltype(MsiCloseHandle)>("MsiCloseHandle");
    lib.getProductInfo = dll.function<decltype(MsiGetProductInfoW)>("MsiGetProductInfoW");
    lib.queryProductState = dll.function<decltype(MsiQueryProductStateW)>("MsiQueryProductStateW");
    lib.getProperty = dll.function<decltype(MsiGetPropertyW)>("MsiGetPropertyW");
    lib.setProperty = dll.function<decltype(MsiSetPropertyW)>("MsiSetPropertyW");
    lib.configureProductEx = dll.function<decltype(MsiConfigureProductExW)>("MsiConfigureProductExW");
    lib.installProduct = dll.function<decltype(MsiInstallProductW)>("MsiInstallProductW");
    lib.doAction = dll.function<decltype(MsiDoActionW)>("MsiDoActionW");
    lib.getActiveDatabase = dll.function<decltype(MsiGetActiveDatabase)>("MsiGetActiveDatabase");
    lib.openDatabase = dll.function<decltype(MsiOpenDatabaseW)>("MsiOpenDatabaseW");
    lib.databaseOpenView = dll.function<decltype(MsiDatabaseOpenViewW)>("MsiDatabaseOpenViewW");
    lib.viewExecute = dll.function<decltype(MsiViewExecute)>("MsiViewExecute");
    lib.viewFetch = dll.function<decltype(MsiViewFetch)>("MsiViewFetch");
    lib.viewModify = dll.function<decltype(MsiViewModify)>("MsiViewModify");
    lib.viewClose = dll.function<decltype(MsiViewClose)>("MsiViewClose");
    lib.createRecord = dll.function<decltype(MsiCreateRecord)>("MsiCreateRecord");
    lib.recordGetString = dll.function<decltype(MsiRecordGetStringW)>("MsiRecordGetStringW");
    lib.recordSetString = dll.function<decltype(MsiRecordSetStringW)>("MsiRecordSetStringW");
    lib.recordSetInteger = dll.function<decltype(MsiRecordSetInteger)>("MsiRecordSetInteger");
    lib.recordSetStream = dll.function<decltype(MsiRecordSetStreamW)>("MsiRecordSetStreamW");
    lib.recordGetFieldCount = dll.function<decltype(MsiRecordGetFieldCount)>("MsiRecordGetFieldCount");
    lib.recordGetInteger = dll.function<decltype(MsiRecordGetInteger)>("MsiRecordGetInteger");
    lib.recordReadStream = dll.function<decltype(MsiRecordReadStream)>("MsiRecordReadStream");
    lib.getMode = dll.function<decltype(MsiGetMode)>(64);
    lib.processMessage = dll.function<decltype(MsiProcessMessage)>(103);
    lib.setExternalUI = dll.function<decltype(MsiSetExternalUIW)>(137);
    lib.setInternalUI = dll.function<decltype(MsiSetInternalUI)>(141);
    lib.enableLog = dll.function<decltype(MsiEnableLogW)>(169);
    return lib;
}

} // namespace

const Library& library() {
    static const Dll dll(Dll::SystemLibrary{L"msi.dll"});
    static const Library lib = bind(dll);
    return lib;
}

} // namespace msi
