#pragma once

#include <windows.h>

#include <string>

// Under Wine, a Unix symbolic link to a folder shows as a directory link (a
// reparse point), and Wine creates none itself: the test asks the Unix ln,
// which Wine starts like any program. False when the link was not made.
inline bool plantUnixLink(const std::wstring& link, const std::wstring& target) {
    using UnixName = char*(CDECL*)(LPCWSTR);
    const auto unixName = reinterpret_cast<UnixName>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    if (unixName == nullptr) {
        return false;
    }
    const auto widened = [&](const std::wstring& path) {
        char* name = unixName(path.c_str());
        const std::string narrow = name != nullptr ? name : "";
        HeapFree(GetProcessHeap(), 0, name);
        return std::wstring(narrow.begin(), narrow.end());
    };
    std::wstring commandLine = L"ln -s \"" + widened(target) + L"\" \"" + widened(link) + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(L"Z:\\bin\\ln", commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        return false;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    // Wine does not wait for a Unix program it started: the link comes when ln has run.
    for (int attempt = 0; attempt < 100; ++attempt) {
        const DWORD attributes = GetFileAttributesW(link.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
            return true;
        }
        Sleep(50);
    }
    return false;
}
