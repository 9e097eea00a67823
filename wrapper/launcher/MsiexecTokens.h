#pragma once

#include <vector>

#include "tstrings.h"

// A command-line tail read by the rules msiexec.exe reads its own by:
// - a blank or tab outside quotes ends a token; any number of them separate two;
// - a quote opens or closes a quoted part anywhere in a token; inside one, a
//   blank is text and "" is one quote character;
// - a backslash is text like any other: "C:\Dir\" ends with its closing quote;
// - a token is taken whole: what it means (a switch starts with "/" or "-", an
//   assignment is NAME=value) is read from its text without the quotes.
struct MsiexecToken {
    size_t begin;  // where the token stands in the tail, quotes included
    size_t end;
    WString text;  // without the quotes that open and close quoted parts
    bool quoted;   // it held a quoted part
};

std::vector<MsiexecToken> msiexecTokens(const WString& tail);
