#pragma once

#include <windows.h>

#include <optional>

#include "MsiexecSwitches.h"
#include "SetupFacts.h"
#include "tstrings.h"

// The log a run writes when its command line names none, so that a failed
// install can be looked into without running it again:
// %TEMP%\<ProductName>_<yyyyMMddHHmmss>.log, verbose.

// The product's name made safe for a file name: characters Windows forbids
// become "_", leading blanks and trailing dots and blanks go, at most 64
// characters; "Setup" for no name.
WString defaultLogStem(const WString& productName);
// "<stem>_<yyyyMMddHHmmss>.log".
WString defaultLogName(const WString& productName, const SYSTEMTIME& time);

// The log of this run: the one the command line names; else, where the setup
// records that it writes one, a new default log in the temporary folder of the
// account it runs as, made here (msiexec.exe would refuse to start on a log it
// cannot open); else none, also where that log cannot be made or the tail
// would swallow its switch (a quote left open).
struct RunLog {
    std::optional<LogRequest> request;
    bool isDefault = false;
};
RunLog logOfRun(const WString& tail, const MsiexecArguments& arguments, const std::optional<pack::SetupFacts>& facts);

// The tail for msiexec.exe: the user's as typed, then the switch for the
// run's default log, if it has one.
WString withDefaultLog(const WString& tail, const RunLog& log);
