#pragma once

#include <windows.h>

#include <optional>
#include <vector>

#include "tstrings.h"

// Whether a folder (or file) may hold what an elevated installer later trusts:
// only principals that are trusted may own it or be allowed to change it.
// Decided on facts read from a handle, so that the rule is tested with any
// owner and access list, which Wine never gives back as set.

struct AccessEntry {
    BYTE type;         // ACCESS_ALLOWED_ACE_TYPE, ACCESS_DENIED_ACE_TYPE, ...
    BYTE flags;        // INHERIT_ONLY_ACE and the like
    ACCESS_MASK mask;
    WString sid;       // empty where the entry's layout holds none we read
};

struct SecurityFacts {
    WString ownerSid;
    std::optional<std::vector<AccessEntry>> dacl;  // nothing: no access list, which lets everyone in
};

// Why someone other than the trusted principals (SID strings) may change the
// object, or nothing when nobody else may.
std::optional<WString> securityDistrust(const SecurityFacts& facts, const WStringList& trusted);

// SYSTEM, the Administrators and TrustedInstaller.
WStringList systemPrincipals();
