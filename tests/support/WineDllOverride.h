#pragma once

#include <windows.h>

#include <string>

// Sets Wine's load order for one DLL while it lives: for all programs, or only
// for programs with the given file name. Wine reads WINEDLLOVERRIDES from the
// environment it was started with, not from what a Windows parent passes on,
// so tests that start programs themselves use the registry instead.
class WineDllOverride {
public:
    WineDllOverride(const std::wstring& program, const std::wstring& dll, const std::wstring& order)
        : key(program.empty() ? L"Software\\Wine\\DllOverrides"
                              : L"Software\\Wine\\AppDefaults\\" + program + L"\\DllOverrides"),
          dll(dll) {
        RegSetKeyValueW(HKEY_CURRENT_USER, key.c_str(), dll.c_str(), REG_SZ, order.c_str(),
                        static_cast<DWORD>((order.size() + 1) * sizeof(wchar_t)));
    }
    ~WineDllOverride() { RegDeleteKeyValueW(HKEY_CURRENT_USER, key.c_str(), dll.c_str()); }
    WineDllOverride(const WineDllOverride&) = delete;
    WineDllOverride& operator=(const WineDllOverride&) = delete;

private:
    std::wstring key;
    std::wstring dll;
};
