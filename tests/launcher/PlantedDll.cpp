// A library planted beside an executable: proves by a marker file that it was
// loaded. The marker is TARNELL_PLANTED_MARKER followed by "." and the
// library's own file name, so that several planted libraries can be told apart.
#include <windows.h>

#include <string>

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        wchar_t marker[MAX_PATH];
        wchar_t path[MAX_PATH];
        if (GetEnvironmentVariableW(L"TARNELL_PLANTED_MARKER", marker, MAX_PATH) > 0 &&
            GetModuleFileNameW(self, path, MAX_PATH) > 0) {
            const std::wstring own(path);
            const std::wstring name = own.substr(own.find_last_of(L"\\/") + 1);
            const std::wstring file = std::wstring(marker) + L"." + name;
            CloseHandle(CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        }
    }
    return TRUE;
}
