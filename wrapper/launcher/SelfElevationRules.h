#pragma once

#include <windows.h>

#include <optional>

#include "SetupFacts.h"

// What decides whether the setup asks for administrator rights itself, before
// it writes anything: then the one consent prompt names setup.exe and its
// signer, and msiexec.exe, started elevated, asks nothing more.

// What the setup and its command line ask for.
struct SelfElevationRequest {
    std::optional<pack::InstallScope> scope;  // nothing: the setup records none
    pack::ElevationPolicy policy;
    bool silent;           // a user interface without modal dialogs
    bool uninstallOrHelp;  // not an install
    bool tailSetsScope;    // ALLUSERS or MSIINSTALLPERUSER on the command line
};

// Where it runs.
struct SelfElevationSituation {
    TOKEN_ELEVATION_TYPE token;
    bool sessionZero;
    bool visibleDesktop;
    bool onNetwork;  // the current directory or the setup itself
    bool debug;      // TARNELL_DEBUG is set
};

struct SelfElevationChoice {
    bool relaunch;
    const wchar_t* reason;  // for the debug log
};

// The elevated copy runs with a full token and so never chooses to relaunch again.
SelfElevationChoice chooseSelfElevation(const SelfElevationRequest& request, const SelfElevationSituation& situation);

// The refusal chooseSelfElevation gives whatever the situation, if any: most
// runs need not ask the system anything (user32.dll, say, loads on first use).
std::optional<SelfElevationChoice> refusalByRequest(const SelfElevationRequest& request);
