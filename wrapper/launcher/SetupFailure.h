#pragma once

#include <optional>
#include <string>

#include "WinApp.h"
#include "tstrings.h"

// Notes that the step described by what (in words a person reads after "Setup
// could not ...") failed; the first note, the innermost step, is kept.
void noteFailedStep(const WString& what);

// Runs one step of the launcher's work; a failure inside it is told to the
// person as a failure of that step.
template <class Step>
decltype(auto) setupStep(const WString& what, Step&& step) {
    try {
        return step();
    } catch (...) {
        noteFailedStep(what);
        throw;
    }
}

// The failure box's text: the step in plain words, the system's own reason,
// and where the details are (empty: nowhere a person can look).
WString failureText(const WString& failedStep, const WString& reason, const WString& detailsFile);
// The same for a setup whose parts are not what was packed: one plain sentence.
WString damagedSetupText(const WString& detailsFile);

// Tells a failure of the launcher to whoever ran it, as the command line asks:
// the detailed text as one line in the installer's log the user named, and a
// message box for a person unless the run must not wait on one.
class SetupFailureReporter : public app::FailureReporter {
public:
    SetupFailureReporter(bool mayShowBox, std::optional<WString> logFile);
    void report(const std::string& message) override;
    // The log the run writes after all: the setup's own.
    void useLog(const WString& file) { logFile = file; }

private:
    bool mayShowBox;
    std::optional<WString> logFile;
};
