#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Runs a program with the given command-line tail and returns its whole exit code.
inline DWORD runProgram(const std::wstring& program, const std::wstring& arguments = L"") {
    std::wstring commandLine = L"\"" + program + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        return 0xDEADBEEF;
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD exitCode = 0xDEADBEEF;
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return exitCode;
}
