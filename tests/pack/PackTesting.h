#pragma once

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "Resources.h"
#include "TestFolder.h"
#include "UniqueResource.h"
#include "tstrings.h"
#include "TestFiles.h"

// What one run of tarnell-pack.exe left.
struct ToolRun {
    DWORD exitCode = 0xDEADBEEF;
    std::string out;
    std::string err;
};


inline bool exists(const WString& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// A file made by this directory's build, in Windows form.
inline WString testFile(const WString& name) { return tstrings::replace(PACK_TEST_DIR, L"/", L"\\") + L"\\" + name; }

inline WString quoted(const WString& path) { return L"\"" + path + L"\""; }

// Runs the tool with the given command-line tail, its standard streams sent to files.
inline ToolRun runPack(const WString& arguments) {
    TestFolder streams;
    SECURITY_ATTRIBUTES inheritable{sizeof(inheritable), nullptr, TRUE};
    ToolRun run;
    {
        OwnedHandle out(CreateFileW(streams.path(L"out").c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inheritable,
                                    CREATE_ALWAYS, 0, nullptr));
        OwnedHandle err(CreateFileW(streams.path(L"err").c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inheritable,
                                    CREATE_ALWAYS, 0, nullptr));
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = out.get();
        startup.hStdError = err.get();
        WString commandLine = L"tarnell-pack " + arguments;
        PROCESS_INFORMATION process{};
        if (!CreateProcessW(TARNELL_PACK_EXE, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                            &startup, &process)) {
            return run;
        }
        const OwnedHandle processHandle(process.hProcess);
        const OwnedHandle threadHandle(process.hThread);
        WaitForSingleObject(process.hProcess, INFINITE);
        GetExitCodeProcess(process.hProcess, &run.exitCode);
    }
    run.out = readFile(streams.path(L"out"));
    run.err = readFile(streams.path(L"err"));
    return run;
}

// An image loaded for its resources alone.
class ResourceImage {
public:
    explicit ResourceImage(const WString& path)
        : module(LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE)) {}

    bool loaded() const { return static_cast<bool>(module); }

    std::string bytes(LPCWSTR name, LPCWSTR type) const {
        const std::vector<BYTE> data = Resource(name, type, module.get()).bytes();
        return std::string(data.begin(), data.end());
    }

    bool has(LPCWSTR name, LPCWSTR type) const { return Resource(name, type, module.get()).exists(); }

private:
    OwnedModule module;
};

inline std::vector<WString> folderContents(const WString& folder) {
    std::vector<WString> names;
    for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(folder))) {
        names.push_back(entry.path().filename().wstring());
    }
    return names;
}
