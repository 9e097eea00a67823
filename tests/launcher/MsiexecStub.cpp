// Stands in for msiexec.exe: records the command line it was given and a copy
// of the package it was handed, then exits with the code it is told to.
#include <windows.h>

#include <shellapi.h>

#include <cstdlib>
#include <string>

namespace {

std::wstring env(const wchar_t* name) {
    wchar_t buffer[32768];
    const DWORD n = GetEnvironmentVariableW(name, buffer, 32768);
    return n > 0 && n < 32768 ? std::wstring(buffer, n) : std::wstring();
}

} // namespace

int wmain() {
    const std::wstring report = env(L"TARNELL_STUB_REPORT");
    if (!report.empty()) {
        int argc = 0;
        wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
        std::wstring lines;
        for (int i = 1; i < argc; ++i) {
            lines += argv[i];
            lines += L'\n';
        }
        const HANDLE out = CreateFileW(report.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD written = 0;
        WriteFile(out, lines.data(), static_cast<DWORD>(lines.size() * sizeof(wchar_t)), &written, nullptr);
        CloseHandle(out);
        // While this process runs, the package must be in place.
        if (argc > 2) {
            CopyFileW(argv[2], (report + L".msi").c_str(), FALSE);
        }
        LocalFree(argv);
    }
    const DWORD sleepMs = static_cast<DWORD>(std::wcstoul(env(L"TARNELL_STUB_SLEEP").c_str(), nullptr, 10));
    Sleep(sleepMs);
    return static_cast<int>(std::wcstoul(env(L"TARNELL_STUB_EXIT").c_str(), nullptr, 0));
}
