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
constexpr SelfElevationRequest interactiveMachineInstall{InstallScope::Machine, ElevationPolicy::Auto, false, false,
                                                         false};
constexpr SelfElevationSituation limitedAdministrator{TokenElevationTypeLimited, false, true, false, false};

struct Context {
    SelfElevationRequest request = interactiveMachineInstall;
    SelfElevationSituation situation = limitedAdministrator;
};
using Change = void (*)(Context&);

TEST(SelfElevationRules, OnlyAPromptThatHelpsIsAskedFor) {
    const struct {
        const char* what;
        Change change;
        bool relaunch;
    } rows[] = {
        {"a limited administrator installs a per-machine package", [](Context&) {}, true},
        {"it runs elevated already", [](Context& c) { c.situation.token = TokenElevationTypeFull; }, false},
        {"a standard user, or UAC off", [](Context& c) { c.situation.token = TokenElevationTypeDefault; }, false},
        {"a per-user package", [](Context& c) { c.request.scope = InstallScope::User; }, false},
        {"a dual-purpose package", [](Context& c) { c.request.scope = InstallScope::Dual; }, false},
        {"a setup that records no scope", [](Context& c) { c.request.scope = std::nullopt; }, false},
        {"packed with --elevation never", [](Context& c) { c.request.policy = ElevationPolicy::Never; }, false},
        {"a silent run", [](Context& c) { c.request.silent = true; }, false},
        {"an uninstall or the usage", [](Context& c) { c.request.uninstallOrHelp = true; }, false},
        {"ALLUSERS or MSIINSTALLPERUSER typed", [](Context& c) { c.request.tailSetsScope = true; }, false},
        {"session 0", [](Context& c) { c.situation.sessionZero = true; }, false},
        {"no visible desktop", [](Context& c) { c.situation.visibleDesktop = false; }, false},
        {"from a network path", [](Context& c) { c.situation.onNetwork = true; }, false},
        {"TARNELL_DEBUG set", [](Context& c) { c.situation.debug = true; }, false},
        {"an elevated silent run from a share",
         [](Context& c) {
             c.situation.token = TokenElevationTypeFull;
             c.request.silent = true;
             c.situation.onNetwork = true;
         },
         false},
        {"a standard user installing a per-user package",
         [](Context& c) {
             c.situation.token = TokenElevationTypeDefault;
             c.request.scope = InstallScope::User;
         },
         false},
    };
    for (const auto& row : rows) {
        Context context;
        row.change(context);
        const SelfElevationChoice choice = chooseSelfElevation(context.request, context.situation);
        EXPECT_EQ(choice.relaunch, row.relaunch) << row.what;
        EXPECT_NE(WString(choice.reason), L"") << row.what;
        // What the request alone refuses needs no look at the system, and the same words.
        if (const std::optional<SelfElevationChoice> early = refusalByRequest(context.request)) {
            EXPECT_FALSE(choice.relaunch) << row.what;
            EXPECT_EQ(WString(early->reason), choice.reason) << row.what;
        }
    }
}

BOOL WINAPI refusedAtThePrompt(SHELLEXECUTEINFOW*) {
    SetLastError(ERROR_CANCELLED);
    return FALSE;
}

// What a policy that elevates only signed programs answers.
BOOL WINAPI refusedByPolicy(SHELLEXECUTEINFOW*) {
    SetLastError(ERROR_ACCESS_DENIED);
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
    // Any other refusal leaves the install to this process, unelevated.
    EXPECT_EQ(startAndWait(stub, L"", work.path(), {L"runas", refusedByPolicy}), std::nullopt);
    EXPECT_EQ(startAndWait(work.path(L"missing.exe"), L"", work.path(), {L"open"}), std::nullopt);
}

} // namespace
