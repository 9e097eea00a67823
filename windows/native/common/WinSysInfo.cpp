#include "WinSysInfo.h"

#include <shellapi.h>
#include <sddl.h>
#include <shlobj.h>

#include "FileUtils.h"
#include "UniqueResource.h"
#include "WinDll.h"
#include "WinErrorHandling.h"

namespace SysInfo {

namespace {

WString getEnvVariableImpl(const WString& name, bool* unset) {
    WString buffer(10, L'\0');
    SetLastError(ERROR_SUCCESS);
    DWORD length = GetEnvironmentVariableW(name.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
    if (GetLastError() == ERROR_ENVVAR_NOT_FOUND) {
        if (unset == nullptr) {
            THROW_SYS_ERROR("GetEnvironmentVariable(" << name << ") failed. Variable not set",
                            GetEnvironmentVariableW);
        }
        *unset = true;
        return {};
    }
    if (length > buffer.size()) {
        buffer.resize(length);
        length = GetEnvironmentVariableW(name.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
        if (GetLastError() != ERROR_SUCCESS) {
            if (unset == nullptr) {
                THROW_SYS_ERROR("GetEnvironmentVariable(" << name << ") failed", GetEnvironmentVariableW);
            }
            *unset = true;
            return {};
        }
    }
    if (unset != nullptr) {
        *unset = false;
    }
    return buffer.substr(0, buffer.find(L'\0'));
}

template <class Query>
WString getSystemDirImpl(Query query, const char* queryName) {
    WString buffer(MAX_PATH, L'\0');
    for (int attempt = 0; attempt < 2; ++attempt) {
        const UINT length = query(buffer.data(), static_cast<UINT>(buffer.size()));
        if (length == 0) {
            THROW_SYS_ERROR(queryName << " failed", query);
        }
        if (length < buffer.size()) {
            buffer.resize(length);
            return FileUtils::stripTrailingSeparators(buffer);
        }
        buffer.resize(length + 1);
    }
    THROW_RUNTIME_ERROR("Unexpected reply from " << queryName);
}

WString getModulePath(HMODULE module) {
    WString buffer(MAX_PATH, L'\0');
    DWORD length = 0;
    for (;;) {
        length = GetModuleFileNameW(module, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length < buffer.size()) {
            break;
        }
        buffer.resize(buffer.size() * 2);
    }
    if (length == 0) {
        THROW_SYS_ERROR("GetModuleFileName failed", GetModuleFileNameW);
    }
    buffer.resize(length);
    return buffer;
}

using TempPathQuery = DWORD WINAPI(DWORD, LPWSTR);

// GetTempPath2W gives a process running as SYSTEM a folder that only SYSTEM and
// administrators can reach, where GetTempPathW gives C:\Windows\Temp. Systems
// before it have only GetTempPathW.
TempPathQuery* tempPathQuery() {
    TempPathQuery* const query =
        Dll(Dll::LoadedModule{L"kernel32.dll"}).functionIfPresent<TempPathQuery>("GetTempPath2W");
    return query != nullptr ? query : &GetTempPathW;
}

} // namespace

WStringList getCommandArgs(ArgsStart start) {
    int count = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &count);
    if (argv == nullptr) {
        THROW_SYS_ERROR("CommandLineToArgvW failed", CommandLineToArgvW);
    }
    WStringList args;
    for (int i = start == AfterProgramName ? 1 : 0; i < count; ++i) {
        args.emplace_back(argv[i]);
    }
    LocalFree(argv);
    return args;
}

void setEnvVariable(const WString& name, const WString& value) {
    if (!SetEnvironmentVariableW(name.c_str(), value.c_str())) {
        THROW_SYS_ERROR("SetEnvironmentVariable(" << name << ", " << value << ") failed", SetEnvironmentVariableW);
    }
}

WString readEnvVariable(const WString& name) { return getEnvVariableImpl(name, nullptr); }

WString readEnvVariableOr(std::nothrow_t, const WString& name, const WString& defaultValue) {
    bool unset = false;
    WString value = getEnvVariableImpl(name, &unset);
    return unset ? defaultValue : value;
}

bool hasEnvVariable(const WString& name) {
    wchar_t buffer[1];
    SetLastError(ERROR_SUCCESS);
    GetEnvironmentVariableW(name.c_str(), buffer, 1);
    return GetLastError() != ERROR_ENVVAR_NOT_FOUND;
}

WString getSystemDirectoryPath() { return getSystemDirImpl(GetSystemDirectoryW, "GetSystemDirectory"); }

WString getKnownFolderPath(const KNOWNFOLDERID& id) {
    PWSTR path = nullptr;
    const HRESULT result = SHGetKnownFolderPath(id, KF_FLAG_DONT_VERIFY, nullptr, &path);
    const WString text = SUCCEEDED(result) ? WString(path) : WString();
    CoTaskMemFree(path);
    if (FAILED(result)) {
        THROW_SYS_ERROR_CODE("SHGetKnownFolderPath failed", SHGetKnownFolderPath, static_cast<DWORD>(result));
    }
    return FileUtils::stripTrailingSeparators(text);
}

WString getMsiexecPath() { return FileUtils::PathBuilder(getSystemDirectoryPath()).append(L"msiexec.exe"); }

WString getTempDirectory() {
    const auto getTempPath = tempPathQuery();
    WString buffer(MAX_PATH + 1, L'\0');
    DWORD length = getTempPath(static_cast<DWORD>(buffer.size()), buffer.data());
    if (length > buffer.size()) {
        buffer.resize(length);
        length = getTempPath(static_cast<DWORD>(buffer.size()), buffer.data());
    }
    // 0 (a TMP longer than the call allows, say) would leave a relative path: the current directory.
    if (length == 0 || length > buffer.size()) {
        THROW_SYS_ERROR("GetTempPath failed", getTempPath);
    }
    buffer.resize(length);
    return FileUtils::stripTrailingSeparators(buffer);
}

std::vector<BYTE> getProcessTokenInformation(TOKEN_INFORMATION_CLASS what, const char* name) {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) {
        THROW_SYS_ERROR("OpenProcessToken failed", OpenProcessToken);
    }
    const OwnedHandle ownedToken(token);
    // The first call only asks for the size.
    DWORD size = 0;
    GetTokenInformation(token, what, nullptr, 0, &size);
    std::vector<BYTE> information(size);
    if (!GetTokenInformation(token, what, information.data(), size, &size)) {
        THROW_SYS_ERROR("GetTokenInformation(" << name << ") failed", GetTokenInformation);
    }
    return information;
}

WString sidText(PSID sid) {
    LPWSTR text = nullptr;
    if (!ConvertSidToStringSidW(sid, &text)) {
        THROW_SYS_ERROR("ConvertSidToStringSid failed", ConvertSidToStringSidW);
    }
    const OwnedLocalMemory ownedText(text);
    return text;
}

WString currentUserSid() {
    const std::vector<BYTE> user = getProcessTokenInformation(TokenUser, "TokenUser");
    return sidText(reinterpret_cast<const TOKEN_USER*>(user.data())->User.Sid);
}

bool isElevated() {
    const std::vector<BYTE> elevation = getProcessTokenInformation(TokenElevation, "TokenElevation");
    return reinterpret_cast<const TOKEN_ELEVATION*>(elevation.data())->TokenIsElevated != 0;
}

TOKEN_ELEVATION_TYPE tokenElevationType() {
    const std::vector<BYTE> type = getProcessTokenInformation(TokenElevationType, "TokenElevationType");
    return *reinterpret_cast<const TOKEN_ELEVATION_TYPE*>(type.data());
}

bool isInSessionZero() {
    DWORD session = 0;
    if (!ProcessIdToSessionId(GetCurrentProcessId(), &session)) {
        THROW_SYS_ERROR("ProcessIdToSessionId failed", ProcessIdToSessionId);
    }
    return session == 0;
}

bool hasInteractiveWindowStation() {
    USEROBJECTFLAGS flags{};
    const HWINSTA station = GetProcessWindowStation();
    // A service or session 0 has a window station nobody sees.
    return station != nullptr &&
           GetUserObjectInformationW(station, UOI_FLAGS, &flags, sizeof(flags), nullptr) &&
           (flags.dwFlags & WSF_VISIBLE) != 0;
}

WString getCurrentDirectory() {
    // The first call asks for the size, terminator included.
    std::vector<wchar_t> buffer(GetCurrentDirectoryW(0, nullptr));
    const DWORD length = GetCurrentDirectoryW(static_cast<DWORD>(buffer.size()), buffer.data());
    if (length == 0 || length >= buffer.size()) {
        THROW_SYS_ERROR("GetCurrentDirectory failed", GetCurrentDirectoryW);
    }
    return WString(buffer.data(), length);
}

HMODULE getCurrentModuleHandle() {
    HMODULE module = nullptr;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<LPCWSTR>(&getCurrentModuleHandle), &module)) {
        THROW_SYS_ERROR("GetModuleHandleExW failed", GetModuleHandleExW);
    }
    return module;
}

WString getExecutablePath() { return FileUtils::toAbsolutePath(getModulePath(nullptr)); }

WString getOwnModulePath() { return getModulePath(getCurrentModuleHandle()); }

} // namespace SysInfo
