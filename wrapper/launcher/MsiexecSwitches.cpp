#include "MsiexecSwitches.h"

#include <msi.h>

namespace {

// The switch's name in lower case without its "/" or "-"; empty for anything else.
WString switchName(const WString& arg) {
    if (arg.size() < 2 || (arg[0] != L'/' && arg[0] != L'-')) {
        return {};
    }
    return tstrings::toLower(arg.substr(1));
}

bool isNoModalUiSwitch(const WString& name) {
    if (name == L"quiet" || name == L"passive") {
        return true;
    }
    // q[n|b|r|f][+|-][!]: "!" only hides the cancel button, "+" adds a final modal dialog.
    WString ui = name;
    std::erase(ui, L'!');
    return ui == L"q" || ui == L"qn" || ui == L"qn-" || ui == L"qb-";
}

// Mode letters as msiexec.exe reads them: "*" is every mode but v and x.
bool addLogLetter(wchar_t letter, LogRequest& log) {
    switch (letter) {
    case L'i': log.modes |= INSTALLLOGMODE_INFO; return true;
    case L'w': log.modes |= INSTALLLOGMODE_WARNING; return true;
    case L'e': log.modes |= INSTALLLOGMODE_ERROR; return true;
    case L'a': log.modes |= INSTALLLOGMODE_ACTIONSTART; return true;
    case L'r': log.modes |= INSTALLLOGMODE_ACTIONDATA; return true;
    case L'u': log.modes |= INSTALLLOGMODE_USER; return true;
    case L'c': log.modes |= INSTALLLOGMODE_COMMONDATA; return true;
    case L'm': log.modes |= INSTALLLOGMODE_FATALEXIT; return true;
    case L'o': log.modes |= INSTALLLOGMODE_OUTOFDISKSPACE; return true;
    case L'p': log.modes |= INSTALLLOGMODE_PROPERTYDUMP; return true;
    case L'v': log.modes |= INSTALLLOGMODE_VERBOSE; return true;
    case L'x': log.modes |= INSTALLLOGMODE_EXTRADEBUG; return true;
    case L'*':
        log.modes |= INSTALLLOGMODE_INFO | INSTALLLOGMODE_WARNING | INSTALLLOGMODE_ERROR | INSTALLLOGMODE_ACTIONSTART |
                     INSTALLLOGMODE_ACTIONDATA | INSTALLLOGMODE_USER | INSTALLLOGMODE_COMMONDATA |
                     INSTALLLOGMODE_FATALEXIT | INSTALLLOGMODE_OUTOFDISKSPACE | INSTALLLOGMODE_PROPERTYDUMP;
        return true;
    case L'+': log.attributes |= INSTALLLOGATTRIBUTES_APPEND; return true;
    case L'!': log.attributes |= INSTALLLOGATTRIBUTES_FLUSHEACHLINE; return true;
    default: return false;
    }
}

// "l<letters>" or "log"; nothing for another switch.
std::optional<LogRequest> parseLogSwitch(const WString& name) {
    if (name == L"log") {
        return parseLogSwitch(L"l*");
    }
    if (name.empty() || name[0] != L'l') {
        return std::nullopt;
    }
    LogRequest log{L"", 0, 0};
    for (const wchar_t letter : name.substr(1)) {
        if (!addLogLetter(letter, log)) {
            return std::nullopt;
        }
    }
    if (log.modes == 0) {
        // What msiexec.exe logs when no mode letter is given.
        for (const wchar_t letter : WString(L"iwearmo")) {
            addLogLetter(letter, log);
        }
    }
    return log;
}

} // namespace

bool asksForNoModalUi(const WStringList& args) {
    for (const WString& arg : args) {
        if (isNoModalUiSwitch(switchName(arg))) {
            return true;
        }
    }
    return false;
}

std::optional<LogRequest> findLogRequest(const WStringList& args) {
    for (size_t i = 0; i + 1 < args.size(); ++i) {
        std::optional<LogRequest> log = parseLogSwitch(switchName(args[i]));
        if (log && !args[i + 1].empty()) {
            log->file = args[i + 1];
            return log;
        }
    }
    return std::nullopt;
}
