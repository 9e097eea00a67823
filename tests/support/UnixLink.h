#pragma once

#include <windows.h>

#include <string>

#include "RunProgram.h"

// Starts a Unix program. Wine hands back no process of it (so startProgram
// cannot serve): nobody waits for it or learns its exit code.
inline bool startUnixProgram(const std::wstring& program, const std::wstring& arguments) {
    PROCESS_INFORMATION process{};
    if (!createProgramProcess(program, arguments, process)) {
        return false;
    }
    for (const HANDLE handle : {process.hThread, process.hProcess}) {
        if (handle != nullptr) {
            CloseHandle(handle);
        }
    }
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

// Wine resolves every link on the way, the last name's too: that one is
// appended as it is, so that a link is named and not what it points to.
inline std::wstring unixPath(const std::wstring& path) {
    using UnixName = char*(CDECL*)(LPCWSTR);
    const auto unixName = reinterpret_cast<UnixName>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    const size_t separator = path.find_last_of(L'\\');
    char* folder = unixName != nullptr ? unixName(path.substr(0, separator).c_str()) : nullptr;
    const std::string narrow = folder != nullptr ? folder : "";
    HeapFree(GetProcessHeap(), 0, folder);
    return std::wstring(narrow.begin(), narrow.end()) + L"/" + path.substr(separator + 1);
}

// Under Wine, a Unix symbolic link to a folder shows as a directory link (a
// reparse point), and Wine creates none itself: the test asks the Unix ln,
// which Wine starts like any program (and may start twice: -fn keeps that one
// link, where a second ln would put another inside the folder it points to).
// False when the link was not made.
inline bool plantUnixLink(const std::wstring& link, const std::wstring& target) {
    return startUnixProgram(L"Z:\\bin\\ln", L"-sfn \"" + unixPath(target) + L"\" \"" + unixPath(link) + L"\"") &&
           awaitLink(link, true);
}

// Wine removes no link itself either.
inline bool removeUnixLink(const std::wstring& link) {
    return startUnixProgram(L"Z:\\bin\\rm", L"-f \"" + unixPath(link) + L"\"") && awaitLink(link, false);
}
