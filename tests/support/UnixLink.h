#pragma once

#include <windows.h>

#include <string>

// Starts a Unix program; Wine does not wait for it, nor report its exit code.
inline bool startUnixProgram(const std::wstring& program, std::wstring commandLine) {
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        return false;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

// Waits up to 5 s for the path to be a link (or gone).
inline bool awaitLink(const std::wstring& path, bool present) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        const DWORD attributes = GetFileAttributesW(path.c_str());
        const bool isLink = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
        if (isLink == present) {
            return true;
        }
        Sleep(50);
    }
    return false;
}

inline std::wstring unixPath(const std::wstring& path) {
    using UnixName = char*(CDECL*)(LPCWSTR);
    const auto unixName = reinterpret_cast<UnixName>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    char* name = unixName != nullptr ? unixName(path.c_str()) : nullptr;
    const std::string narrow = name != nullptr ? name : "";
    HeapFree(GetProcessHeap(), 0, name);
    return std::wstring(narrow.begin(), narrow.end());
}

// Under Wine, a Unix symbolic link to a folder shows as a directory link (a
// reparse point), and Wine creates none itself: the test asks the Unix ln,
// which Wine starts like any program. False when the link was not made.
inline bool plantUnixLink(const std::wstring& link, const std::wstring& target) {
    return startUnixProgram(L"Z:\\bin\\ln", L"ln -s \"" + unixPath(target) + L"\" \"" + unixPath(link) + L"\"") &&
           awaitLink(link, true);
}

// Wine removes no link itself either.
inline bool removeUnixLink(const std::wstring& link) {
    return startUnixProgram(L"Z:\\bin\\rm", L"rm -f \"" + unixPath(link) + L"\"") && awaitLink(link, false);
}
