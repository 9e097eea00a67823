#pragma once

#include <windows.h>

#include <string>

#include "UniqueResource.h"
#include "tstrings.h"

// Owns one loaded module.
class Dll {
public:
    // A library in the system directory, never one planted beside the executable.
    struct SystemLibrary {
        WString name;
    };
    // A module this process has loaded already; its reference count is raised.
    struct LoadedModule {
        WString name;
    };

    explicit Dll(const WString& path);
    explicit Dll(const SystemLibrary& library);
    explicit Dll(const LoadedModule& module);

    FARPROC getFunction(const std::string& name, bool raiseIfMissing = true) const;
    FARPROC getFunction(WORD ordinal, bool raiseIfMissing = true) const;

    template <class Function>
    Function* function(const std::string& name) const {
        return typed<Function>(getFunction(name));
    }
    template <class Function>
    Function* function(WORD ordinal) const {
        return typed<Function>(getFunction(ordinal));
    }
    // nullptr where the module lacks it: a function that newer systems have.
    template <class Function>
    Function* functionIfPresent(const std::string& name) const {
        return typed<Function>(getFunction(name, false));
    }

    HMODULE get() const { return handle.get(); }
    const WString& path() const { return modulePath; }

private:
    // The detour through void(*)() tells the compiler the type change is deliberate.
    template <class Function>
    static Function* typed(FARPROC address) {
        return reinterpret_cast<Function*>(reinterpret_cast<void (*)()>(address));
    }

    FARPROC lookUp(const char* nameOrOrdinal, const std::string& description, bool raiseIfMissing) const;

    WString modulePath;
    OwnedModule handle;
};
