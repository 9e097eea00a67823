#pragma once

#include "tstrings.h"

// What follows the program name on a command line, leading blanks dropped, as
// the system hands it over: nothing unquoted, unescaped or split.
WString commandTail(const WString& commandLine);

// msiexec.exe refuses a property assignment quoted as a whole, "NAME=value",
// which PowerShell and other callers that quote each argument make of
// NAME="value". Rewrites each such token of the tail, NAME an installer
// identifier, to NAME="value" and leaves every other character as it is.
WString unquoteWholeAssignments(const WString& tail);
