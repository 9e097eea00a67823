#include "CommandTail.h"

namespace {

bool isBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

size_t skipBlanks(const WString& text, size_t pos) {
    while (pos < text.size() && isBlank(text[pos])) {
        ++pos;
    }
    return pos;
}

// The end of the token at pos: a blank outside quotes ends it. msiexec.exe
// embeds a quote in a quoted text as "", which toggles twice and so stays inside.
size_t tokenEnd(const WString& text, size_t pos) {
    bool quoted = false;
    for (; pos < text.size(); ++pos) {
        if (text[pos] == L'"') {
            quoted = !quoted;
        } else if (!quoted && isBlank(text[pos])) {
            break;
        }
    }
    return pos;
}

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
    return commandLine.substr(skipBlanks(commandLine, end));
}

WString unquoteWholeAssignments(const WString& tail) {
    WString result;
    size_t pos = 0;
    while (pos < tail.size()) {
        const size_t start = skipBlanks(tail, pos);
        result.append(tail, pos, start - pos);
        const size_t end = tokenEnd(tail, start);
        const WString token = tail.substr(start, end - start);
        if (isWholeQuotedAssignment(token)) {
            const size_t equals = token.find(L'=');
            result += token.substr(1, equals) + L'"' + token.substr(equals + 1);
        } else {
            result += token;
        }
        pos = end;
    }
    return result;
}
