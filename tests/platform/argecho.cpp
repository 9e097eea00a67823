// Child of the process tests. Writes what it received into the file named by
// ARGECHO_OUTPUT: its process id, the raw command line and the split argument
// list, each ended by a zero character. Exits with the code given as its first
// argument (decimal, or hexadecimal with 0x).
#include <windows.h>
#include <shellapi.h>

#include <cwchar>
#include <string>

namespace {

void writeReport(const std::wstring& path, const std::wstring& report) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        ExitProcess(111);
    }
    DWORD written = 0;
    const DWORD size = static_cast<DWORD>(report.size() * sizeof(wchar_t));
    const BOOL ok = WriteFile(file, report.data(), size, &written, nullptr);
    CloseHandle(file);
    if (!ok || written != size) {
        ExitProcess(112);
    }
}

} // namespace

int main() {
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);

    std::wstring report = std::to_wstring(GetCurrentProcessId()) + L'\0';
    report += GetCommandLineW();
    report += L'\0';
    for (int i = 0; i < argc; ++i) {
        report += argv[i];
        report += L'\0';
    }

    wchar_t outputPath[MAX_PATH] = {};
    const DWORD pathLength = GetEnvironmentVariableW(L"ARGECHO_OUTPUT", outputPath, MAX_PATH);
    if (pathLength > 0 && pathLength < MAX_PATH) {
        writeReport(outputPath, report);
    }
    ExitProcess(argc > 1 ? std::wcstoul(argv[1], nullptr, 0) : 0);
}
