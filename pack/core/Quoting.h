#pragma once

#include <string>
#include <string_view>

namespace pack {

// UTF-8 text as a JSON string, quotes included: '"', '\' and control
// characters escaped, everything else as it is.
std::string jsonQuoted(std::string_view utf8);

// UTF-8 text as a YAML double-quoted scalar: as in JSON, and also every
// character YAML does not print or reads as a line break (C1 controls, U+2028,
// U+2029, U+FFFE, U+FFFF) escaped, so that any text reads back unchanged.
std::string yamlQuoted(std::string_view utf8);

// A program's or package's file name as a command line takes it: quoted
// unless it holds only letters, digits, '.', '-' and '_'.
std::string commandWord(std::string_view name);

} // namespace pack
