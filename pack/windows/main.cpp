// tarnell-pack.exe: turns an installer package into a setup program that carries it.
#include <windows.h>

#include <sstream>

#include "Log.h"
#include "Pack.h"
#include "Resources.h"
#include "WindowsPlatform.h"
#include "WinSysInfo.h"
#include "tstrings.h"

namespace {

// A console takes the text as UTF-16; a file or pipe gets the UTF-8 bytes.
void print(DWORD standardHandle, const std::string& text) {
    const HANDLE handle = GetStdHandle(standardHandle);
    DWORD mode = 0;
    DWORD written = 0;
    if (GetConsoleMode(handle, &mode)) {
        const WString wide = tstrings::fromUtf8(text);
        WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
        return;
    }
    WriteFile(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

// The launcher without package resources that this program carries.
std::span<const std::byte> ownStub() {
    DWORD size = 0;
    const void* bytes = Resource(L"stub", RT_RCDATA, SysInfo::getCurrentModuleHandle()).getPtr(size);
    return std::span(static_cast<const std::byte*>(bytes), size);
}

} // namespace

int wmain() {
    // Libraries that are not known DLLs are never looked for beside the program.
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    // The platform layer logs every file it creates; the tool's output is its own lines alone.
    NopLogAppender quiet;
    Logger::global().setAppender(&quiet);
    std::vector<std::string> args;
    for (const WString& arg : SysInfo::getCommandArgs(SysInfo::AfterProgramName)) {
        // Windows programs answer /? with their usage; no file can have that name.
        args.push_back(arg == L"/?" ? "--help" : tstrings::toUtf8(arg));
    }
    WindowsPlatform platform;
    std::ostringstream out;
    std::ostringstream err;
    const int exitCode = pack::run(args, platform, ownStub(), out, err);
    print(STD_OUTPUT_HANDLE, out.str());
    print(STD_ERROR_HANDLE, err.str());
    return exitCode;
}
