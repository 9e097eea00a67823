// Stands in for msiexec.exe: records the command line it was given, split
// (<report>) and whole (<report>.line), its current directory (<report>.cwd),
// and a copy of the package it was handed and of every other file beside it
// (<report>.<name>), then exits with the code it is told to.
// Optional, by environment variable:
//   TARNELL_STUB_PROBE    tries to open the package for writing and for deletion,
//                         and every other file beside it for writing, and records the results
//   TARNELL_STUB_HOLD     milliseconds a process left behind keeps the package open
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

std::wstring folderOf(const std::wstring& path) { return path.substr(0, path.find_last_of(L'\\')); }

// The names of the files beside the package.
std::wstring siblings(const std::wstring& package) {
    std::wstring names;
    WIN32_FIND_DATAW entry;
    const HANDLE find = FindFirstFileW((folderOf(package) + L"\\*").c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE) {
        return names;
    }
    do {
        const std::wstring name = entry.cFileName;
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && _wcsicmp(name.c_str(), L"main.msi") != 0) {
            names += name + L'\n';
        }
    } while (FindNextFileW(find, &entry));
    FindClose(find);
    return names;
}

// Each line of the text in turn.
template <class Visit>
void forEachLine(const std::wstring& text, Visit visit) {
    for (size_t start = 0, end; (end = text.find(L'\n', start)) != std::wstring::npos; start = end + 1) {
        visit(text.substr(start, end - start));
    }
}

// Lines "write=<code>" and "delete=<code>" for the package, "write:<name>=<code>"
// for each file beside it, in <report>.probe.
void probe(const std::wstring& report, const std::wstring& package) {
    std::wstring lines = L"write=" + std::to_wstring(openError(package, GENERIC_WRITE)) + L"\ndelete=" +
                         std::to_wstring(openError(package, DELETE)) + L"\n";
    forEachLine(siblings(package), [&](const std::wstring& name) {
        lines += L"write:" + name + L"=" + std::to_wstring(openError(folderOf(package) + L"\\" + name, GENERIC_WRITE)) +
                 L"\n";
    });
    writeText(report + L".probe", lines);
}

// Opens the package the way a virus scanner does and leaves it open in a
// process of its own, which sleeps for the given time after this one has ended.
void leaveHolder(const std::wstring& package, const std::wstring& milliseconds) {
    SECURITY_ATTRIBUTES inheritable{sizeof(inheritable), nullptr, TRUE};
    const HANDLE file = CreateFileW(package.c_str(), GENERIC_READ, FILE_SHARE_READ, &inheritable, OPEN_EXISTING, 0,
                                    nullptr);
    SetEnvironmentVariableW(L"TARNELL_STUB_HOLD", nullptr);
    SetEnvironmentVariableW(L"TARNELL_STUB_REPORT", nullptr);
    SetEnvironmentVariableW(L"TARNELL_STUB_SLEEP", milliseconds.c_str());
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring commandLine = L"holder";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (CreateProcessW(self, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process)) {
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    CloseHandle(file);
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
        writeText(report + L".line", GetCommandLineW());
        wchar_t directory[MAX_PATH];
        writeText(report + L".cwd", std::wstring(directory, GetCurrentDirectoryW(MAX_PATH, directory)));
        // While this process runs, the package must be in place.
        if (argc > 2) {
            CopyFileW(argv[2], (report + L".msi").c_str(), FALSE);
            forEachLine(siblings(argv[2]), [&](const std::wstring& name) {
                CopyFileW((folderOf(argv[2]) + L"\\" + name).c_str(), (report + L"." + name).c_str(), FALSE);
            });
            if (!env(L"TARNELL_STUB_PROBE").empty()) {
                probe(report, argv[2]);
            }
            const std::wstring hold = env(L"TARNELL_STUB_HOLD");
            if (!hold.empty()) {
                leaveHolder(argv[2], hold);
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
