#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace pack {

// The rules winget's manifest schemas and its own validation set for the
// values tarnell-pack writes; each gives why a value breaks them, or nothing.

// PackageIdentifier: 2 to 8 parts separated by dots, each of 1 to 32
// characters, none a blank, a control character or one of \/:*?"<>|; at most
// 128 characters in all.
std::optional<std::string> packageIdentifierFault(std::string_view utf8);

// InstallerUrl: http:// or https:// (any case) and something after it, no
// blank or control character, at most 2048 characters.
std::optional<std::string> installerUrlFault(std::string_view utf8);

// PackageLocale: a language tag such as en-US, at most 20 characters.
std::optional<std::string> packageLocaleFault(std::string_view utf8);

// PackageVersion: 1 to 128 characters, none a control character or one of \/:*?"<>|.
std::optional<std::string> packageVersionFault(std::string_view utf8);

// Texts of length limits alone (Publisher, PackageName, DisplayName, ...).
std::optional<std::string> lengthFault(std::string_view utf8, size_t min, size_t max);

} // namespace pack
