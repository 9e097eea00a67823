#include "CommandTail.h"

#include "MsiexecTokens.h"

namespace {

bool isBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

bool isAsciiLetter(wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); }

// An installer identifier: ASCII letters, digits, "_" and ".", not starting with
// a digit or ".". Narrower than "no blank, quote or =", so that a quoted path
// holding "=" (a log file's, say) is never taken for an assignment.
bool isPropertyName(const WString& text) {
    if (text.empty() || !(isAsciiLetter(text[0]) || text[0] == L'_')) {
        return false;
    }
    for (const wchar_t c : text) {
        if (!isAsciiLetter(c) && !(c >= L'0' && c <= L'9') && c != L'_' && c != L'.') {
            return false;
        }
    }
    return true;
}

// "NAME=value" whose only inner quotes are msiexec.exe's doubled ones.
bool isWholeQuotedAssignment(const WString& token) {
    if (token.size() < 2 || token.front() != L'"' || token.back() != L'"') {
        return false;
    }
    const WString inner = token.substr(1, token.size() - 2);
    for (size_t quote = inner.find(L'"'); quote != WString::npos; quote = inner.find(L'"', quote + 2)) {
        if (quote + 1 >= inner.size() || inner[quote + 1] != L'"') {
            return false;
        }
    }
    const size_t equals = inner.find(L'=');
    return equals != WString::npos && isPropertyName(inner.substr(0, equals));
}

} // namespace

WString commandTail(const WString& commandLine) {
    // The program name ends at the next quote when it starts with one, else at the
    // first blank: the rule CreateProcessW and CommandLineToArgvW use for it.
    size_t end = 0;
    if (!commandLine.empty() && commandLine[0] == L'"') {
        end = commandLine.find(L'"', 1);
        end = end == WString::npos ? commandLine.size() : end + 1;
    } else {
        while (end < commandLine.size() && !isBlank(commandLine[end])) {
            ++end;
        }
    }
    while (end < commandLine.size() && isBlank(commandLine[end])) {
        ++end;
    }
    return commandLine.substr(end);
}

WString unquoteWholeAssignments(const WString& tail) {
    WString result;
    size_t copied = 0;
    for (const MsiexecToken& token : msiexecTokens(tail)) {
        const WString raw = tail.substr(token.begin, token.end - token.begin);
        if (isWholeQuotedAssignment(raw)) {
            const size_t equals = raw.find(L'=');
            result.append(tail, copied, token.begin - copied);
            result += raw.substr(1, equals) + L'"' + raw.substr(equals + 1);
            copied = token.end;
        }
    }
    return result + tail.substr(copied);
}
