#include "InstallScopeRules.h"

#include <vector>

namespace {

struct ScopeProperties {
    std::u16string allUsers;
    std::u16string msiInstallPerUser;
};

// Every pair of values the package's own Property table may hold for the
// scope it records (other values of ALLUSERS act as 1).
std::vector<ScopeProperties> possibleProperties(pack::InstallScope scope) {
    switch (scope) {
    case pack::InstallScope::User: return {{u"", u""}, {u"", u"1"}};
    case pack::InstallScope::Dual: return {{u"2", u"1"}};
    default: return {{u"1", u""}, {u"1", u"1"}, {u"2", u""}};
    }
}

std::u16string toUtf16(const WString& text) { return std::u16string(text.begin(), text.end()); }

} // namespace

std::optional<pack::InstallScope> scopeMsiexecUses(pack::InstallScope packageScope, const ScopeAssignments& tail) {
    if (tail.otherCase) {
        return std::nullopt;
    }
    std::optional<pack::InstallScope> agreed;
    for (ScopeProperties properties : possibleProperties(packageScope)) {
        if (tail.allUsers) {
            properties.allUsers = toUtf16(*tail.allUsers);
        }
        if (tail.msiInstallPerUser) {
            properties.msiInstallPerUser = toUtf16(*tail.msiInstallPerUser);
        }
        const pack::InstallScope scope = pack::scopeOf(properties.allUsers, properties.msiInstallPerUser);
        if (agreed && *agreed != scope) {
            return std::nullopt;
        }
        agreed = scope;
    }
    return agreed;
}
