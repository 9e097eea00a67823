#pragma once

#include <windows.h>

#include <stdexcept>
#include <string>

#include "ErrorHandling.h"

// A failed system call: the caller's text, the label, the code and the system's description.
class SysError : public std::runtime_error {
public:
    SysError(const tstrings::MessageBuilder& text, const void* functionAddress, DWORD errorCode,
             const char* label = "System error");
    SysError(const WString& text, const void* functionAddress, DWORD errorCode,
             const char* label = "System error");
    SysError(const char* utf8Text, const void* functionAddress, DWORD errorCode,
             const char* label = "System error");

    DWORD errorCode() const { return code; }

private:
    DWORD code;
};

WString describeSystemError(DWORD errorCode, HMODULE module = nullptr);
WString formatSystemMessage(DWORD errorCode, HMODULE module = nullptr);
WString describeComError(HRESULT hresult);

[[noreturn]] void throwSysError(const SourcePosition& pos, const tstrings::MessageBuilder& text,
                                const void* functionAddress, DWORD errorCode);

template <class Function>
const void* functionAddress(Function* function) {
    return reinterpret_cast<const void*>(function);
}

// Raises AppError<SysError> for a failed system call; the error code is read
// before anything else runs.
#define THROW_SYS_ERROR(msg, function)                                                            \
    do {                                                                                           \
        const DWORD tarnell_last_error_ = GetLastError();                                          \
        throwSysError(SOURCE_POSITION, tstrings::MessageBuilder() << msg, functionAddress(function), \
                      tarnell_last_error_);                                                        \
    } while (0)

#define THROW_SYS_ERROR_CODE(msg, function, code)                                                  \
    throwSysError(SOURCE_POSITION, tstrings::MessageBuilder() << msg, functionAddress(function), code)
