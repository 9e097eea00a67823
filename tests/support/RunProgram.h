#pragma once

#include <windows.h>

#include <string>

// Starts a program with the given command-line tail; false when it did not start.
inline bool createProgramProcess(const std::wstring& program, const std::wstring& arguments,
                                 PROCESS_INFORMATION& process) {
    std::wstring commandLine = L"\"" + program + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    return CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                          &process) != FALSE;
}

// Starts a program with the given command-line tail and returns its process
// handle, which the caller closes (waitForExitCode does); nullptr when it did not start.
inline HANDLE startProgram(const std::wstring& program, const std::wstring& arguments = L"") {
    PROCESS_INFORMATION process{};
    if (!createProgramProcess(program, arguments, process)) {
        return nullptr;
    }
    CloseHandle(process.hThread);
    return process.hProcess;
}

// Waits for the process to end, closes its handle and returns its whole exit code.
inline DWORD waitForExitCode(HANDLE process) {
    if (process == nullptr) {
        return 0xDEADBEEF;
    }
    WaitForSingleObject(process, INFINITE);
    DWORD exitCode = 0xDEADBEEF;
    GetExitCodeProcess(process, &exitCode);
    CloseHandle(process);
    return exitCode;
}

// Runs a program with the given command-line tail and returns its whole exit code.
inline DWORD runProgram(const std::wstring& program, const std::wstring& arguments = L"") {
    return waitForExitCode(startProgram(program, arguments));
}
