#include "WinErrorHandling.h"

#include <algorithm>
#include <cwctype>
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

WString fillMessageInserts(const WString& text, const std::vector<WString>& inserts) {
    WString out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != L'%' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        const wchar_t next = text[++i];
        if (next == L'0') {
            break;  // the text ends here
        }
        if (next < L'1' || next > L'9') {
            // %% %. %! keep the character; %n %r %t %b and "% " are blanks or line ends.
            out += next == L'%' || next == L'.' || next == L'!' ? WString(1, next) : WString(next == L'r' ? L"" : L" ");
            continue;
        }
        size_t number = next - L'0';
        if (i + 1 < text.size() && iswdigit(text[i + 1])) {
            number = number * 10 + (text[++i] - L'0');
        }
        // A printf-like format between exclamation marks belongs to the insert.
        if (i + 1 < text.size() && text[i + 1] == L'!') {
            const size_t close = text.find(L'!', i + 2);
            i = close == WString::npos ? text.size() : close;
        }
        if (number <= inserts.size() && !inserts[number - 1].empty()) {
            out += inserts[number - 1];
        } else if (!out.empty() && out.back() == L' ') {
            out.pop_back();  // dropped with the blank before it
        }
    }
    return out;
}

WString formatSystemMessage(DWORD errorCode, HMODULE module, const std::vector<WString>& inserts) {
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
    WString text = fillMessageInserts(WString(buffer, n), inserts);
    LocalFree(buffer);
    for (wchar_t& c : text) {
        if (c < L' ') {
            c = L' ';
        }
    }
    // Cut leading blanks, and trailing blanks and dots; the first character always stays.
    text.erase(0, std::min(text.find_first_not_of(L' '), text.size() - 1));
    while (text.size() > 1 && (text.back() <= L' ' || text.back() == L'.')) {
        text.pop_back();
    }
    return text;
}

WString describeComError(HRESULT hresult) {
    const DWORD code = HRESULT_FACILITY(hresult) == FACILITY_WIN32 ? HRESULT_CODE(hresult) : static_cast<DWORD>(hresult);
    return tstrings::format(L"COM error 0x%08X (%s)", static_cast<unsigned>(hresult),
                            formatSystemMessage(code).c_str());
}

void throwSysError(const SourcePosition& pos, const tstrings::MessageBuilder& text, const void* functionAddress,
                   DWORD errorCode, const WString& subject) {
    SysError error(text, functionAddress, errorCode);
    error.setSubject(subject);
    throw AppError<SysError>(error, pos);
}
