#include "MsiexecSwitches.h"

#include <msi.h>

#include <algorithm>

namespace {

// The switch's name in lower case without its "/" or "-"; empty for anything else.
WString switchName(const MsiexecToken& token) {
    const WString& text = token.text;
    if (text.size() < 2 || (text[0] != L'/' && text[0] != L'-')) {
        return {};
    }
    return tstrings::toLower(text.substr(1));
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

// Property names compared without regard to case: a doubt keeps the launcher from acting on its own.
bool assigns(const MsiexecToken& token, const WString& lowerCaseProperty) {
    return tstrings::toLower(token.text).starts_with(lowerCaseProperty + L"=");
}

} // namespace

MsiexecArguments::MsiexecArguments(const WString& tail) : tokens(msiexecTokens(tail)) {}

bool MsiexecArguments::asksForNoModalUi() const {
    return std::any_of(tokens.begin(), tokens.end(),
                       [](const MsiexecToken& token) { return isNoModalUiSwitch(switchName(token)); });
}

std::optional<LogRequest> MsiexecArguments::logRequest() const {
    std::optional<LogRequest> found;
    for (size_t i = 0; i + 1 < tokens.size(); ++i) {
        std::optional<LogRequest> log = parseLogSwitch(switchName(tokens[i]));
        if (log && !tokens[i + 1].text.empty()) {
            log->file = tokens[i + 1].text;
            found = std::move(log);
        }
    }
    return found;
}

bool MsiexecArguments::asksToUninstall() const {
    return std::any_of(tokens.begin(), tokens.end(),
                       [](const MsiexecToken& token) { return !token.quoted && token.text == L"uninstall"; });
}

bool MsiexecArguments::asksForHelp() const {
    if (tokens.size() != 1) {
        return false;
    }
    const WString name = switchName(tokens[0]);
    return name == L"?" || name == L"h" || name == L"help";
}

bool MsiexecArguments::setsInstallScope() const {
    const ScopeAssignments assigned = scopeAssignments();
    return assigned.allUsers || assigned.msiInstallPerUser || assigned.otherCase;
}

ScopeAssignments MsiexecArguments::scopeAssignments() const {
    ScopeAssignments assigned;
    for (const MsiexecToken& token : tokens) {
        for (const auto& [name, value] : {std::pair{L"ALLUSERS", &assigned.allUsers},
                                          std::pair{L"MSIINSTALLPERUSER", &assigned.msiInstallPerUser}}) {
            const WString prefix = WString(name) + L"=";
            if (token.text.starts_with(prefix)) {
                *value = token.text.substr(prefix.size());
            } else if (assigns(token, tstrings::toLower(name))) {
                assigned.otherCase = true;
            }
        }
    }
    return assigned;
}
