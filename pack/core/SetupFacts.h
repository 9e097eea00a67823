#pragma once

#include <optional>
#include <string>
#include <string_view>

// What a setup program knows of the package it carries and of the choices made
// when it was packed, beyond the package itself: the "SETUP" resource. The
// packer writes it; the launcher and the packer's own commands read it.
namespace pack {

// Where the package installs: for every user (per-machine), for the user who
// runs it, or either, chosen while it installs (dual-purpose).
enum class InstallScope { Machine, User, Dual };

// Whether the launcher may ask for administrator rights itself, up front.
enum class ElevationPolicy { Auto, Never };

struct SetupFacts {
    InstallScope scope = InstallScope::Dual;
    std::u16string productName;
    std::u16string productVersion;
    std::string packageCode;         // registry form; "" when the package has none
    std::u16string packageFileName;  // the package's own file name; "" when it was no plain name
    bool packageCache = true;
    ElevationPolicy elevation = ElevationPolicy::Auto;
    // Whether the launcher adds a verbose log of its own where the command line names none.
    bool defaultLog = true;

    bool operator==(const SetupFacts&) const = default;
};

// The scope the installer gives a package from its Property table: ALLUSERS
// empty or absent is per-user; "2" is dual-purpose when MSIINSTALLPERUSER is
// "1", and per-machine otherwise, as the installer then defaults to it; any
// other value is per-machine.
InstallScope scopeOf(std::u16string_view allUsers, std::u16string_view msiInstallPerUser);

const char* scopeName(InstallScope scope);  // "machine", "user", "dual"
// "auto" and "never", as the packer's --elevation and the SETUP resource spell them.
std::optional<ElevationPolicy> parseElevationPolicy(std::string_view text);

// UTF-8 lines "name=value", every name once, in a fixed order. Texts are
// written as shown() gives them, so that no value holds a line end.
std::string formatSetupFacts(const SetupFacts& facts);
// Nothing for anything formatSetupFacts cannot have written, but for the last
// line, "default-log", which older packers did not write: without it the
// default holds (the launcher's own log on).
std::optional<SetupFacts> parseSetupFacts(std::string_view utf8);
// Whether the text records the default-log choice: a setup program packed
// before the choice existed writes no log of its own, whatever the default.
bool recordsDefaultLog(std::string_view utf8);

} // namespace pack
