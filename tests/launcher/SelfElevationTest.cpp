// When the setup asks for administrator rights itself, and how it starts its elevated copy.
#include <gtest/gtest.h>

#include "LauncherTesting.h"
#include "ScopedEnv.h"
#include "SelfElevation.h"
#include "SelfElevationRules.h"
#include "TestFolder.h"
#include "WinErrorHandling.h"

namespace {

using pack::ElevationPolicy;
using pack::InstallScope;

// An administrator behind UAC starts an interactive install of a per-machine package from a local disk.
constexpr SelfElevationContext prompting{TokenElevationTypeLimited, InstallScope::Machine, ElevationPolicy::Auto,
                                         false, false, false, false, true, false, false};

using Change = void (*)(SelfElevationContext&);

TEST(SelfElevationRules, OnlyAPromptThatHelpsIsAskedFor) {
    const struct {
        const char* situation;
        Change change;
        bool relaunch;
    } rows[] = {
        {"a limited administrator installs a per-machine package", [](SelfElevationContext&) {}, true},
        {"it runs elevated already", [](SelfElevationContext& c) { c.token = TokenElevationTypeFull; }, false},
        {"a standard user, or UAC off", [](SelfElevationContext& c) { c.token = TokenElevationTypeDefault; }, false},
        {"a per-user package", [](SelfElevationContext& c) { c.scope = InstallScope::User; }, false},
        {"a dual-purpose package", [](SelfElevationContext& c) { c.scope = InstallScope::Dual; }, false},
        {"a setup that records no scope", [](SelfElevationContext& c) { c.scope = std::nullopt; }, false},
        {"packed with --elevation never", [](SelfElevationContext& c) { c.policy = ElevationPolicy::Never; }, false},
        {"a silent run", [](SelfElevationContext& c) { c.silent = true; }, false},
        {"an uninstall or the usage", [](SelfElevationContext& c) { c.uninstallOrHelp = true; }, false},
        {"ALLUSERS or MSIINSTALLPERUSER typed", [](SelfElevationContext& c) { c.tailSetsScope = true; }, false},
        {"session 0", [](SelfElevationContext& c) { c.sessionZero = true; }, false},
        {"no visible desktop", [](SelfElevationContext& c) { c.visibleDesktop = false; }, false},
        {"from a network path", [](SelfElevationContext& c) { c.onNetwork = true; }, false},
        {"TARNELL_DEBUG set", [](SelfElevationContext& c) { c.debug = true; }, false},
        {"an elevated silent run from a share",
         [](SelfElevationContext& c) { c.token = TokenElevationTypeFull, c.silent = true, c.onNetwork = true; }, false},
        {"a standard user installing a per-user package",
         [](SelfElevationContext& c) { c.token = TokenElevationTypeDefault, c.scope = InstallScope::User; }, false},
    };
    for (const auto& row : rows) {
        SelfElevationContext context = prompting;
        row.change(context);
        const SelfElevationChoice choice = chooseSelfElevation(context);
        EXPECT_EQ(choice.relaunch, row.relaunch) << row.situation;
        EXPECT_NE(WString(choice.reason), L"") << row.situation;
    }
}

BOOL WINAPI refusedAtThePrompt(SHELLEXECUTEINFOW*) {
    SetLastError(ERROR_CANCELLED);
    return FALSE;
}

// The stand-in msiexec.exe plays the elevated copy: it records its command
// line and current directory, and exits with the code it is told to.
TEST(SelfElevation, TheCopyGetsTheTailAsTypedInTheSameFolder) {
    const TestFolder reports;
    const TestFolder work;
    const ScopedEnv report(L"TARNELL_STUB_REPORT", reports.path(L"args.txt"));
    const WString stub = besideTestProgram(L"msiexec-stub.exe");
    const struct {
        const wchar_t* tail;
        DWORD exitCode;
    } rows[] = {
        {L"/l*v setup.log  TRANSFORMS=custom.mst P=\"a \"\" b\\\"\tQ=\"C:\\Dir\\\"", 3010},
        {L"", 0},
        {L"/qb+ X=1", 1603},
    };
    for (const auto& row : rows) {
        const ScopedEnv exitCode(L"TARNELL_STUB_EXIT", std::to_wstring(row.exitCode));
        EXPECT_EQ(startAndWait(stub, row.tail, work.path(), {L"open"}), row.exitCode) << row.tail;
        const std::string line = readFile(reports.path(L"args.txt.line"));
        const WString commandLine(reinterpret_cast<const wchar_t*>(line.data()), line.size() / sizeof(wchar_t));
        EXPECT_TRUE(commandLine.ends_with(L"msiexec-stub.exe\" " + WString(row.tail)) ||
                    (WString(row.tail).empty() && commandLine.ends_with(L"msiexec-stub.exe\"")))
            << commandLine;
        const std::string directory = readFile(reports.path(L"args.txt.cwd"));
        EXPECT_EQ(WString(reinterpret_cast<const wchar_t*>(directory.data()), directory.size() / sizeof(wchar_t)),
                  work.path());
    }
}

TEST(SelfElevation, ARefusedPromptIsACancelledInstall) {
    const TestFolder work;
    const WString stub = besideTestProgram(L"msiexec-stub.exe");
    EXPECT_EQ(startAndWait(stub, L"", work.path(), {L"runas", refusedAtThePrompt}), DWORD{ERROR_INSTALL_USEREXIT});
    // Any other failure to start is the launcher's own, with the system's reason.
    try {
        startAndWait(work.path(L"missing.exe"), L"", work.path(), {L"open"});
        ADD_FAILURE() << "a missing program started";
    } catch (const SysError& e) {
        EXPECT_NE(e.errorCode(), DWORD{ERROR_CANCELLED});
    }
}

} // namespace
