#include "WinErrorHandling.h"

#include <string>

#include "Log.h"

namespace {

std::string makeMessage(const std::string& text, const char* label, const void* functionAddress,
                        DWORD errorCode) {
    std::string system = std::string(label ? label : "Some error") + " [" + std::to_string(errorCode) + "]";

    HMODULE module = nullptr;
    if (functionAddress != nullptr &&
        !GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            static_cast<LPCWSTR>(functionAddress), &module)) {
        LOG_WARNING("GetModuleHandleEx() failed for " << functionAddress << " address.");
    }
    if (module != nullptr || functionAddress == nullptr) {
        system.append("(").append(tstrings::toUtf8(describeSystemError(errorCode, module))).append(")");
    }
    return joinErrorTexts(text, system);
}

} // namespace

SysError::SysError(const tstrings::MessageBuilder& text, const void* functionAddress, DWORD errorCode,
                   const char* label)
    : std::runtime_error(makeMessage(text.utf8(), label, functionAddress, errorCode)), code(errorCode) {}

SysError::SysError(const WString& text, const void* functionAddress, DWORD errorCode, const char* label)
    : SysError(tstrings::MessageBuilder(text), functionAddress, errorCode, label) {}

SysError::SysError(const char* utf8Text, const void* functionAddress, DWORD errorCode, const char* label)
    : SysError(tstrings::MessageBuilder(utf8Text), functionAddress, errorCode, label) {}

WString describeSystemError(DWORD errorCode, HMODULE module) {
    return (tstrings::MessageBuilder() << L"system error " << errorCode << L" ("
                                       << formatSystemMessage(errorCode, module) << L")")
        .str();
}

WString formatSystemMessage(DWORD errorCode, HMODULE module) {
    constexpr DWORD flags = FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_FROM_SYSTEM;
    wchar_t* buffer = nullptr;
    DWORD n = 0;
    if (module != nullptr) {
        n = FormatMessageW(flags | FORMAT_MESSAGE_FROM_HMODULE, module, errorCode, 0,
                           reinterpret_cast<LPWSTR>(&buffer), 0, nullptr);
    }
    if (n == 0) {
        n = FormatMessageW(flags, nullptr, errorCode, 0, reinterpret_cast<LPWSTR>(&buffer), 0, nullptr);
    }
    if (n == 0) {
        return L"No description available";
    }
    for (DWORD i = 0; i < n; ++i) {
        if (buffer[i] < L' ') {
            buffer[i] = L' ';
        }
    }
    // Cut trailing blanks and dots; the first character always stays.
    DWORD length = n;
    while (length > 1 && (buffer[length - 1] <= L' ' || buffer[length - 1] == L'.')) {
        --length;
    }
    WString text(buffer, length);
    LocalFree(buffer);
    return text;
}

WString describeComError(HRESULT hresult) {
    const DWORD code = HRESULT_FACILITY(hresult) == FACILITY_WIN32 ? HRESULT_CODE(hresult) : static_cast<DWORD>(hresult);
    return tstrings::format(L"COM error 0x%08X (%s)", static_cast<unsigned>(hresult),
                            formatSystemMessage(code).c_str());
}

void throwSysError(const SourcePosition& pos, const tstrings::MessageBuilder& text, const void* functionAddress,
                   DWORD errorCode) {
    throw AppError<SysError>(SysError(text, functionAddress, errorCode), pos);
}
