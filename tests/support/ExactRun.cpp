// Starts a program with a command line exactly as written in a file, which
// neither a shell nor Wine then re-quotes, and ends with its whole exit code,
// also printed as "code=<signed decimal>".
// Usage: exact-run <file>: UTF-8 lines; each but the last sets an environment
// variable (NAME=value), the last is the command line.
#include <windows.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

namespace {

std::wstring wide(const std::string& utf8) {
    std::wstring text(utf8.size(), L'\0');
    text.resize(MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), text.data(),
                                    static_cast<int>(text.size())));
    return text;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) {
        std::fputs("usage: exact-run <file>\n", stderr);
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) {
        text.pop_back();
    }
    size_t last = text.rfind('\n');
    for (size_t start = 0; last != std::string::npos && start <= last;) {
        const size_t end = text.find('\n', start);
        const std::wstring assignment = wide(text.substr(start, end - start));
        const size_t equals = assignment.find(L'=');
        SetEnvironmentVariableW(assignment.substr(0, equals).c_str(), assignment.substr(equals + 1).c_str());
        start = end + 1;
    }
    std::wstring commandLine = wide(last == std::string::npos ? text : text.substr(last + 1));
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        std::fprintf(stderr, "exact-run: CreateProcess failed: %lu\n", GetLastError());
        return 3;
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    std::printf("code=%ld\n", static_cast<long>(code));
    std::fflush(stdout);
    return static_cast<int>(code);
}
