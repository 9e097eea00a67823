#pragma once

#include <string>

#include "Description.h"

namespace pack {

// The command lines a deployment system runs, silent unless said otherwise.
struct DeployCommands {
    std::string install, installWithProgress, uninstall, uninstallByProductCode;
};
DeployCommands commandsOf(const Description& description);

// msiexec's codes of success: done, done and restarting, done once restarted.
inline constexpr int successCodes[] = {0, 1641, 3010};

// `info`: a short summary for people, or the JSON object that is the contract
// of `info --json` (README, "tarnell-pack info"); both end with a line end.
std::string infoText(const Description& description);
std::string infoJson(const Description& description);

} // namespace pack
