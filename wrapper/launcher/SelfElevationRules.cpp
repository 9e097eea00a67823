#include "SelfElevationRules.h"

namespace {

// What the elevated copy would not share with this one, or nobody to answer the prompt.
std::optional<SelfElevationChoice> refusalBySituation(const SelfElevationSituation& s) {
    if (s.token == TokenElevationTypeFull) {
        return SelfElevationChoice{false, L"it runs elevated already"};
    }
    if (s.token != TokenElevationTypeLimited) {
        return SelfElevationChoice{false, L"a standard user, or UAC is off: the installer asks if it must"};
    }
    if (s.sessionZero || !s.visibleDesktop) {
        return SelfElevationChoice{false, L"nobody can answer a prompt: session 0 or no visible desktop"};
    }
    if (s.onNetwork) {
        return SelfElevationChoice{false, L"it runs from a network path, which an elevated process may not reach"};
    }
    if (s.debug) {
        return SelfElevationChoice{false, L"TARNELL_DEBUG is set: the whole log stays on this console"};
    }
    return std::nullopt;
}

} // namespace

// Nothing to gain: the package decides nothing here, or msiexec.exe asks as it would anyway.
std::optional<SelfElevationChoice> refusalByRequest(const SelfElevationRequest& r) {
    if (r.policy == pack::ElevationPolicy::Never) {
        return SelfElevationChoice{false, L"the setup was packed with --elevation never"};
    }
    if (r.uninstallOrHelp) {
        return SelfElevationChoice{false, L"only an install asks for administrator rights up front"};
    }
    if (r.silent) {
        return SelfElevationChoice{false, L"a silent run keeps the rights it was started with"};
    }
    if (r.scope != pack::InstallScope::Machine) {
        return SelfElevationChoice{false, L"the package does not install per machine only"};
    }
    if (r.tailSetsScope) {
        return SelfElevationChoice{false, L"the command line sets ALLUSERS or MSIINSTALLPERUSER"};
    }
    return std::nullopt;
}

SelfElevationChoice chooseSelfElevation(const SelfElevationRequest& request, const SelfElevationSituation& situation) {
    if (const std::optional<SelfElevationChoice> refusal = refusalByRequest(request)) {
        return *refusal;
    }
    if (const std::optional<SelfElevationChoice> refusal = refusalBySituation(situation)) {
        return *refusal;
    }
    return {true, L"an interactive per-machine install run with a limited administrator token"};
}
