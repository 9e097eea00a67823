#pragma once

#include <optional>
#include <string_view>

#include "Guid.h"
#include "Resources.h"
#include "SetupFacts.h"
#include "tstrings.h"

// The resources of the setup program this launcher is part of, checked by the
// rules the packer writes them by before anything is written.
namespace SetupResources {

Resource package();
// The cabinet that cabinetNames() lists at index.
Resource cabinet(size_t index);
Guid productCode();
// None when the setup carries no list; raises for a list the packer cannot have written.
WStringList cabinetNames();
// Nothing when the setup carries none (made by other means than the packer);
// raises for facts the packer cannot have written. A record without the
// default-log choice writes no log of its own.
std::optional<pack::SetupFacts> facts();

} // namespace SetupResources

inline WString toWide(std::u16string_view text) { return WString(text.begin(), text.end()); }
