#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <map>

#include "LauncherTesting.h"
#include "RunProgram.h"
#include "ScopedEnv.h"
#include "TestFolder.h"
#include "WineDllOverride.h"
#include "tstrings.h"

// The launcher run against a stand-in msiexec.exe that reports what it was
// handed; the command-line tail reaches the launcher exactly as written.
class LauncherStubTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ASSERT_TRUE(CopyFileW(besideTestProgram(L"msiexec-stub.exe").c_str(), SysInfo::getMsiexecPath().c_str(), FALSE));
    }

    DWORD launch(const WString& arguments, DWORD childExitCode = 0, const WString& launcher = L"launcher-sample.exe") {
        const ScopedEnv exitCode(L"TARNELL_STUB_EXIT", std::to_wstring(childExitCode));
        return runProgram(besideTestProgram(launcher), arguments);
    }

    // The stand-in's whole command line.
    WString childCommandLine() const {
        const std::string bytes = readFile(reports.path(L"args.txt.line"));
        return WString(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / sizeof(wchar_t));
    }

    WStringList childArguments(const WString& report = L"args.txt") const {
        const std::string bytes = readFile(reports.path(report));
        const WString text(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / sizeof(wchar_t));
        WStringList args = tstrings::split(text, L"\n", tstrings::KeepEmpty);
        args.pop_back();  // after the last line end
        return args;
    }

    WString packageSeenByChild(const WString& report = L"args.txt") const { return reports.path(report + L".msi"); }

    // The "name=value" lines the stand-in wrote with TARNELL_STUB_PROBE set.
    std::map<WString, WString> probeResults() const {
        const std::string bytes = readFile(reports.path(L"args.txt.probe"));
        const WString text(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / sizeof(wchar_t));
        std::map<WString, WString> results;
        for (const WString& line : tstrings::split(text, L"\n", tstrings::KeepEmpty)) {
            const size_t equals = line.find(L'=');
            if (equals != WString::npos) {
                results[line.substr(0, equals)] = line.substr(equals + 1);
            }
        }
        return results;
    }

    TestFolder temp;
    TestFolder reports;
    const ScopedEnv tmp{L"TMP", temp.path()};
    const ScopedEnv tempAlias{L"TEMP", temp.path()};
    // This prefix is the stand-in's alone: Wine runs system32's msiexec.exe as a native program.
    const WineDllOverride nativeMsiexec{L"", L"msiexec.exe", L"native"};
    const ScopedEnv report{L"TARNELL_STUB_REPORT", reports.path(L"args.txt")};
};

