#pragma once

#include <cstddef>
#include <ostream>
#include <span>
#include <string>
#include <vector>

#include "Platform.h"

namespace pack {

inline constexpr char toolVersion[] = "1.1.0";

// The whole tool: args are UTF-8, without the program name; stub is the
// launcher image without package resources. Prints the result to out, or one
// "tarnell-pack: " line to err (followed by a pointer to --help for a command
// line it does not understand), and returns the exit code: 0 done, 1 refused or
// failed, 2 wrong usage, 3 nothing to verify. Warnings go to err, each a
// "tarnell-pack: warning: " line, and change nothing else.
int run(const std::vector<std::string>& args, Platform& platform, std::span<const std::byte> stub,
        std::ostream& out, std::ostream& err);

} // namespace pack
