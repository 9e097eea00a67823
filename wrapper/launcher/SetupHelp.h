#pragma once

#include "tstrings.h"

// The setup program's own usage: what /?, /h or /help given alone shows,
// where msiexec.exe would show its generic one.
// defaultLog: the file name the setup's own log takes when no log is asked
// for ("App_<yyyyMMddHHmmss>.log"); empty when it writes none.
WString setupHelpText(const WString& product, const WString& version, const WString& program,
                      const WString& defaultLog);

// Shows it in a window titled with the product's name, where someone can see one.
void showSetupHelp();
