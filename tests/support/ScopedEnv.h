#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

// Sets an environment variable of this process (and so of its children) for a scope.
class ScopedEnv {
public:
    ScopedEnv(const wchar_t* name, const std::wstring& value) : name(name) {
        std::vector<wchar_t> buffer(32768);
        if (GetEnvironmentVariableW(name, buffer.data(), static_cast<DWORD>(buffer.size())) > 0 ||
            GetLastError() != ERROR_ENVVAR_NOT_FOUND) {
            previous = buffer.data();
        }
        SetEnvironmentVariableW(name, value.c_str());
    }
    ~ScopedEnv() { SetEnvironmentVariableW(name, previous ? previous->c_str() : nullptr); }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const wchar_t* name;
    std::optional<std::wstring> previous;
};
