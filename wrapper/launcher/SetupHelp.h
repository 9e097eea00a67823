#pragma once

#include "tstrings.h"

// The setup program's own usage: what /?, /h or /help given alone shows,
// where msiexec.exe would show its generic one.
WString setupHelpText(const WString& product, const WString& version, const WString& program);

// Shows it in a window titled with the product's name, where someone can see one.
void showSetupHelp();
