#pragma once

#include <windows.h>

#include <optional>

#include "TrustRules.h"
#include "tstrings.h"

// The owner and access list of an object, read through its handle (opened
// with READ_CONTROL). Raises.
SecurityFacts securityFactsOf(HANDLE object);

// Why the entry name of the folder at folderPath, held by entry, must be
// neither used nor entered, or nothing when it may: a link, what a link leads
// to, a file where a folder belongs (or the other way round), or an owner or
// access list that lets someone untrusted change it. Raises when the system
// cannot tell.
std::optional<WString> entryDistrust(HANDLE entry, const WString& folderPath, const WString& name, bool isFolder,
                                     const WStringList& trusted);
