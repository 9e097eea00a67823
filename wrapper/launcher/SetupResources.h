#pragma once

#include <optional>
#include <string_view>

#include <stdexcept>
#include <string>

#include "Checksums.h"
#include "Guid.h"
#include "SourcePosition.h"
#include "Resources.h"
#include "SetupFacts.h"
#include "tstrings.h"

// Raised when a part the setup carries is not what was packed (a cut
// download, a bad disk): msiexec.exe never starts, and the run ends with
// ERROR_INSTALL_PACKAGE_INVALID.
class DamagedSetup : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
[[noreturn]] void throwDamagedSetup(const SourcePosition& pos, const std::string& what);

// The resources of the setup program this launcher is part of, checked by the
// rules the packer writes them by before anything is written.
namespace SetupResources {

Resource package();
// The cabinet that cabinetNames() lists at index.
Resource cabinet(size_t index);
Guid productCode();
// None when the setup carries no list; raises for a list the packer cannot have written.
WStringList cabinetNames();
// What the packer measured of the package and each of cabinetCount cabinets;
// nothing for a setup packed before it did. Raises DamagedSetup for a record
// the packer cannot have written.
std::optional<pack::Checksums> checksums(size_t cabinetCount);
// Nothing when the setup carries none (made by other means than the packer);
// raises for facts the packer cannot have written. A record without the
// default-log choice writes no log of its own.
std::optional<pack::SetupFacts> facts();

} // namespace SetupResources

inline WString toWide(std::u16string_view text) { return WString(text.begin(), text.end()); }
