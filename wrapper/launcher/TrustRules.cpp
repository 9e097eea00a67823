#include "TrustRules.h"

#include <algorithm>

namespace {

// Rights that change the object or what it holds: data, names, attributes, the
// access list and the owner.
constexpr ACCESS_MASK changingRights = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_WRITE_EA | FILE_DELETE_CHILD |
                                       FILE_WRITE_ATTRIBUTES | DELETE | WRITE_DAC | WRITE_OWNER | GENERIC_WRITE |
                                       GENERIC_ALL;

// CREATOR OWNER only shapes what is made inside; OWNER RIGHTS is the owner, checked on its own.
const wchar_t creatorOwner[] = L"S-1-3-0";
const wchar_t ownerRights[] = L"S-1-3-4";

bool isTrusted(const WString& sid, const WStringList& trusted) {
    return sid == creatorOwner || sid == ownerRights || std::find(trusted.begin(), trusted.end(), sid) != trusted.end();
}

bool allows(BYTE type) {
    return type == ACCESS_ALLOWED_ACE_TYPE || type == ACCESS_ALLOWED_CALLBACK_ACE_TYPE ||
           type == ACCESS_ALLOWED_COMPOUND_ACE_TYPE || type == ACCESS_ALLOWED_OBJECT_ACE_TYPE ||
           type == ACCESS_ALLOWED_CALLBACK_OBJECT_ACE_TYPE;
}

} // namespace

std::optional<WString> securityDistrust(const SecurityFacts& facts, const WStringList& trusted) {
    if (std::find(trusted.begin(), trusted.end(), facts.ownerSid) == trusted.end()) {
        return L"it is owned by " + facts.ownerSid;
    }
    if (!facts.dacl) {
        return WString(L"it has no access list, so anyone may change it");
    }
    for (const AccessEntry& entry : *facts.dacl) {
        // Denials only take away; an entry only passed on does not apply here.
        if (!allows(entry.type) || (entry.flags & INHERIT_ONLY_ACE) != 0 || (entry.mask & changingRights) == 0) {
            continue;
        }
        if (entry.sid.empty()) {
            return WString(L"an access entry of a kind it does not read may let someone change it");
        }
        if (!isTrusted(entry.sid, trusted)) {
            return entry.sid + L" may change it";
        }
    }
    return std::nullopt;
}

WStringList systemPrincipals() {
    return {L"S-1-5-18", L"S-1-5-32-544", L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464"};
}
