#include "MsiexecTokens.h"

namespace {

bool isBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

// The token starting at pos, which is no blank.
MsiexecToken readToken(const WString& tail, size_t pos) {
    MsiexecToken token{pos, pos, L"", false};
    bool inQuotes = false;
    for (; pos < tail.size() && (inQuotes || !isBlank(tail[pos])); ++pos) {
        if (tail[pos] != L'"') {
            token.text += tail[pos];
        } else if (inQuotes && pos + 1 < tail.size() && tail[pos + 1] == L'"') {
            token.text += L'"';
            ++pos;
        } else {
            inQuotes = !inQuotes;
            token.quoted = true;
        }
    }
    token.end = pos;
    return token;
}

} // namespace

std::vector<MsiexecToken> msiexecTokens(const WString& tail) {
    std::vector<MsiexecToken> tokens;
    for (size_t pos = 0; pos < tail.size();) {
        if (isBlank(tail[pos])) {
            ++pos;
            continue;
        }
        tokens.push_back(readToken(tail, pos));
        pos = tokens.back().end;
    }
    return tokens;
}
