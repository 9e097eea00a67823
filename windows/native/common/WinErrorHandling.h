#pragma once

#include <windows.h>

#include <stdexcept>
#include <string>
#include <vector>

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
    // The file or program the failed call was about, where known: what the
    // system's text names as its first insert ("Bad EXE format for %1.").
    const WString& subject() const { return about; }
    void setSubject(const WString& subject) { about = subject; }

private:
    DWORD code;
    WString about;
};

WString describeSystemError(DWORD errorCode, HMODULE module = nullptr);
// The system's text for errorCode on one line, without the closing dot, its
// inserts (%1, %2, ...) filled from inserts in order and dropped where none is
// given (or given empty): a person never sees "%1".
WString formatSystemMessage(DWORD errorCode, HMODULE module = nullptr, const std::vector<WString>& inserts = {});
// A message's text with its inserts filled or dropped, as above, and its
// escapes (%%, %n, %t, %0, ...) resolved.
WString fillMessageInserts(const WString& text, const std::vector<WString>& inserts);
WString describeComError(HRESULT hresult);

[[noreturn]] void throwSysError(const SourcePosition& pos, const tstrings::MessageBuilder& text,
                                const void* functionAddress, DWORD errorCode, const WString& subject = {});

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

// As THROW_SYS_ERROR, for a call about one file or program, which the
// system's text may name.
#define THROW_SYS_ERROR_ABOUT(msg, function, subject)                                              \
    do {                                                                                           \
        const DWORD tarnell_last_error_ = GetLastError();                                          \
        throwSysError(SOURCE_POSITION, tstrings::MessageBuilder() << msg, functionAddress(function), \
                      tarnell_last_error_, subject);                                               \
    } while (0)
