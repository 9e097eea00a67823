// A library that reports the path of the module its code lives in.
#include <cwchar>

#include "WinSysInfo.h"

extern "C" __declspec(dllexport) void ownModulePath(wchar_t* out, size_t size) {
    std::wcsncpy(out, SysInfo::getOwnModulePath().c_str(), size);
}
