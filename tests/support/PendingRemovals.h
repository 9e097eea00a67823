#pragma once

#include <windows.h>

#include <string>

// What the system removes at the next restart, the names separated by zeros.
inline std::wstring pendingRemovals() {
    std::wstring value(1 << 16, L'\0');
    DWORD size = static_cast<DWORD>(value.size() * sizeof(wchar_t));
    if (RegGetValueW(HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Control\\Session Manager",
                     L"PendingFileRenameOperations", RRF_RT_REG_MULTI_SZ, nullptr, value.data(), &size) != ERROR_SUCCESS) {
        return {};
    }
    value.resize(size / sizeof(wchar_t));
    return value;
}
