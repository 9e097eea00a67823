#pragma once

#include <windows.h>

#include <string>

#include "tstrings.h"

// A 128-bit GUID value in the Windows layout.
class Guid {
public:
    enum Flags { StripBraces = 1, StripDashes = 2, Lowercase = 4 };

    Guid();
    explicit Guid(const GUID& value);
    // Accepts the registry form and the forms without braces and/or dashes.
    explicit Guid(const WString& text);
    // Each byte is one character.
    explicit Guid(const std::string& text);

    WString toString(int flags = 0) const;

    static Guid generate();

    bool operator==(const Guid& other) const;
    bool operator<(const Guid& other) const;

private:
    GUID value;
};
