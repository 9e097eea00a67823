#include "WinDll.h"

#include "FileUtils.h"
#include "WinErrorHandling.h"
#include "WinSysInfo.h"

namespace {

HMODULE loadLibrary(const WString& path) {
    HMODULE module = LoadLibraryW(path.c_str());
    if (module == nullptr) {
        THROW_SYS_ERROR("LoadLibraryW(" << path << ") failed", LoadLibraryW);
    }
    return module;
}

} // namespace

Dll::Dll(const WString& path) : modulePath(path), handle(loadLibrary(path)) {}

Dll::Dll(const SystemLibrary& library)
    : Dll(FileUtils::joinPath(SysInfo::getSystemDirectoryPath(), library.name)) {}

Dll::Dll(const LoadedModule& module) : modulePath(module.name) {
    HMODULE loaded = nullptr;
    if (!GetModuleHandleExW(0, module.name.c_str(), &loaded)) {
        THROW_SYS_ERROR("GetModuleHandleExW(" << module.name << ") failed", GetModuleHandleExW);
    }
    handle.reset(loaded);
}

FARPROC Dll::getFunction(const std::string& name, bool raiseIfMissing) const {
    return lookUp(name.c_str(), name, raiseIfMissing);
}

FARPROC Dll::getFunction(WORD ordinal, bool raiseIfMissing) const {
    return lookUp(MAKEINTRESOURCEA(ordinal), std::string(1, '#').append(std::to_string(ordinal)), raiseIfMissing);
}

FARPROC Dll::lookUp(const char* nameOrOrdinal, const std::string& description, bool raiseIfMissing) const {
    FARPROC function = GetProcAddress(handle.get(), nameOrOrdinal);
    if (function == nullptr && raiseIfMissing) {
        THROW_SYS_ERROR("GetProcAddress(" << modulePath << ", " << description.c_str() << ") failed", GetProcAddress);
    }
    return function;
}
