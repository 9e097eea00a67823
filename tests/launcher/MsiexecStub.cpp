// Stands in for msiexec.exe: records the command line it was given and a copy
// of the package it was handed, then exits with the code it is told to.
// Optional, by environment variable:
//   TARNELL_STUB_PROBE    tries to open the package for writing and for deletion,
//                         and records both results
//   TARNELL_STUB_SLEEP    milliseconds to wait before exiting
//   TARNELL_STUB_CRASH    writes through a null pointer instead of exiting
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

void writeText(const std::wstring& path, const std::wstring& text) {
    const HANDLE out = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(out, text.data(), static_cast<DWORD>(text.size() * sizeof(wchar_t)), &written, nullptr);
    CloseHandle(out);
}

// 0 when the package opens with that access, else the error code.
DWORD openError(const std::wstring& path, DWORD access) {
    const HANDLE file = CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return GetLastError();
    }
    CloseHandle(file);
    return 0;
}

// Lines "write=<code>" and "delete=<code>" in <report>.probe.
void probe(const std::wstring& report, const std::wstring& package) {
    writeText(report + L".probe", L"write=" + std::to_wstring(openError(package, GENERIC_WRITE)) + L"\ndelete=" +
                                      std::to_wstring(openError(package, DELETE)) + L"\n");
}

void crash() {
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    volatile int* volatile nowhere = nullptr;
    *nowhere = 1;
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
        writeText(report, lines);
        // While this process runs, the package must be in place.
        if (argc > 2) {
            CopyFileW(argv[2], (report + L".msi").c_str(), FALSE);
            if (!env(L"TARNELL_STUB_PROBE").empty()) {
                probe(report, argv[2]);
            }
        }
        LocalFree(argv);
    }
    if (!env(L"TARNELL_STUB_CRASH").empty()) {
        crash();
    }
    const DWORD sleepMs = static_cast<DWORD>(std::wcstoul(env(L"TARNELL_STUB_SLEEP").c_str(), nullptr, 10));
    Sleep(sleepMs);
    return static_cast<int>(std::wcstoul(env(L"TARNELL_STUB_EXIT").c_str(), nullptr, 0));
}
