// Where the launcher writes the package, and which cache folders it may use and remove.
#include <gtest/gtest.h>

#include "CacheLifetime.h"
#include "TrustRules.h"
#include "PackageLocation.h"

namespace {

using pack::InstallScope;

const wchar_t administrators[] = L"S-1-5-32-544";
const wchar_t users[] = L"S-1-5-32-545";
const wchar_t someUser[] = L"S-1-5-21-1-2-3-1001";

ScopeAssignments assigning(const wchar_t* allUsers, const wchar_t* perUser = nullptr, bool otherCase = false) {
    ScopeAssignments tail;
    if (allUsers != nullptr) {
        tail.allUsers = allUsers;
    }
    if (perUser != nullptr) {
        tail.msiInstallPerUser = perUser;
    }
    tail.otherCase = otherCase;
    return tail;
}

// Each row: the package, the run and the command line; where the package goes.
TEST(PackageCacheRules, WhereThePackageGoes) {
    const struct {
        std::optional<InstallScope> scope;  // nothing: a setup that records no facts
        bool elevated;
        bool cacheAllowed;
        ScopeAssignments tail;
        PackageLocation location;
    } rows[] = {
        {InstallScope::Machine, true, true, {}, PackageLocation::MachineCache},
        {InstallScope::Machine, false, true, {}, PackageLocation::TemporaryFolder},
        {InstallScope::Machine, true, false, {}, PackageLocation::TemporaryFolder},
        {InstallScope::User, false, true, {}, PackageLocation::UserCache},
        {InstallScope::User, true, true, {}, PackageLocation::UserCache},
        {InstallScope::User, false, false, {}, PackageLocation::TemporaryFolder},
        {InstallScope::Dual, true, true, {}, PackageLocation::TemporaryFolder},
        {std::nullopt, true, true, {}, PackageLocation::TemporaryFolder},
        // A per-user package made per-machine on the command line never gets the user's cache.
        {InstallScope::User, true, true, assigning(L"1"), PackageLocation::MachineCache},
        {InstallScope::User, false, true, assigning(L"1"), PackageLocation::TemporaryFolder},
        {InstallScope::Machine, true, true, assigning(L""), PackageLocation::UserCache},
        {InstallScope::Dual, true, true, assigning(nullptr, L""), PackageLocation::MachineCache},
        {InstallScope::Machine, true, true, assigning(nullptr, L"1"), PackageLocation::TemporaryFolder},
        {InstallScope::User, true, true, assigning(L"1", nullptr, true), PackageLocation::TemporaryFolder},
    };
    for (const auto& row : rows) {
        std::optional<pack::SetupFacts> facts;
        if (row.scope) {
            facts = pack::SetupFacts{};
            facts->scope = *row.scope;
            facts->packageCache = row.cacheAllowed;
        }
        const LocationChoice choice = choosePackageLocation(facts, row.tail, row.elevated);
        EXPECT_EQ(choice.location, row.location) << static_cast<int>(row.scope.value_or(InstallScope::Dual))
                                                 << " elevated " << row.elevated << " cache " << row.cacheAllowed;
        EXPECT_NE(WString(choice.reason), L"");
    }
}

// The scope msiexec.exe will use: the package's, changed by the command line;
// nothing where the package's own properties could give either answer.
TEST(PackageCacheRules, ScopeAsMsiexecReadsIt) {
    const std::optional<InstallScope> unclear;
    const struct {
        InstallScope package;
        ScopeAssignments tail;
        std::optional<InstallScope> used;
    } rows[] = {
        {InstallScope::User, {}, InstallScope::User},
        {InstallScope::User, assigning(L"1"), InstallScope::Machine},
        {InstallScope::User, assigning(L"2"), unclear},  // MSIINSTALLPERUSER may be 1 in the package
        {InstallScope::User, assigning(L"2", L""), InstallScope::Machine},
        {InstallScope::User, assigning(nullptr, L"1"), InstallScope::User},
        {InstallScope::Machine, assigning(L""), InstallScope::User},
        {InstallScope::Machine, assigning(nullptr, L""), InstallScope::Machine},
        {InstallScope::Machine, assigning(nullptr, L"1"), unclear},  // ALLUSERS may be 1 or 2
        {InstallScope::Machine, assigning(L"2", L"1"), InstallScope::Dual},
        {InstallScope::Dual, assigning(nullptr, L""), InstallScope::Machine},
        {InstallScope::Dual, assigning(L"1"), InstallScope::Machine},
        {InstallScope::Dual, assigning(L"yes"), InstallScope::Machine},
        {InstallScope::Machine, assigning(nullptr, nullptr, true), unclear},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(scopeMsiexecUses(row.package, row.tail), row.used)
            << static_cast<int>(row.package) << " " << row.tail.allUsers.value_or(L"-") << " "
            << row.tail.msiInstallPerUser.value_or(L"-");
    }
}

AccessEntry allow(const WString& sid, ACCESS_MASK mask, BYTE flags = 0) {
    return {ACCESS_ALLOWED_ACE_TYPE, flags, mask, sid};
}

// Who may own and change a cache level, as its handle tells.
TEST(PackageCacheRules, WhoMayChangeALevel) {
    const WStringList trusted = {L"S-1-5-18", administrators};
    const ACCESS_MASK readAndRun = FILE_GENERIC_READ | FILE_GENERIC_EXECUTE;
    const std::vector<AccessEntry> protectedList = {allow(L"S-1-5-18", FILE_ALL_ACCESS),
                                                    allow(administrators, FILE_ALL_ACCESS), allow(users, readAndRun)};
    const struct {
        SecurityFacts facts;
        std::optional<WString> distrust;
    } rows[] = {
        {{administrators, protectedList}, std::nullopt},
        {{someUser, protectedList}, L"it is owned by S-1-5-21-1-2-3-1001"},
        {{administrators, std::nullopt}, L"it has no access list, so anyone may change it"},
        {{administrators, std::vector{allow(users, FILE_ADD_SUBDIRECTORY)}}, L"S-1-5-32-545 may change it"},
        {{administrators, std::vector{allow(L"S-1-1-0", GENERIC_ALL)}}, L"S-1-1-0 may change it"},
        {{administrators, std::vector{allow(L"S-1-5-11", WRITE_DAC)}}, L"S-1-5-11 may change it"},
        // Passed on to what is made inside, not the level's own; denials only take away.
        {{administrators, std::vector{allow(users, FILE_ALL_ACCESS, INHERIT_ONLY_ACE | OBJECT_INHERIT_ACE)}}, std::nullopt},
        {{administrators, std::vector{AccessEntry{ACCESS_DENIED_ACE_TYPE, 0, FILE_ALL_ACCESS, users}}}, std::nullopt},
        {{administrators, std::vector{allow(L"S-1-3-0", FILE_ALL_ACCESS), allow(L"S-1-3-4", FILE_ALL_ACCESS)}}, std::nullopt},
        {{administrators, std::vector{AccessEntry{ACCESS_ALLOWED_OBJECT_ACE_TYPE, 0, FILE_WRITE_DATA, L""}}},
         L"an access entry of a kind it does not read may let someone change it"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(securityDistrust(row.facts, trusted), row.distrust) << row.facts.ownerSid;
    }
    EXPECT_EQ(securityDistrust({systemPrincipals()[2], protectedList}, systemPrincipals()), std::nullopt)
        << "TrustedInstaller owns it";
}

TEST(PackageCacheRules, FolderNames) {
    const WString code = L"{1A2B3C4D-5E6F-4A7B-8C9D-0E1F2A3B4C5D}";
    EXPECT_EQ(cacheFolderName(code, L"1.0.0"), code + L"v1.0.0");
    for (const wchar_t* version : {L"", L"1.0 beta", L"..\\1", L"1.0.", L".1", L"1/2", L"123456789012345678901234567890123"}) {
        EXPECT_EQ(cacheFolderName(code, version), std::nullopt) << version;
    }
    EXPECT_EQ(productCodeOfFolder(code + L"v1.0.0"), code);
    EXPECT_EQ(productCodeOfFolder(L"{1a2b3c4d-5e6f-4a7b-8c9d-0e1f2a3b4c5d}v2"), code);
    for (const wchar_t* other : {L"notes", L"{1A2B3C4D-5E6F-4A7B-8C9D-0E1F2A3B4C5D}", L"1A2B3C4D-5E6F-4A7B-8C9D-0E1F2A3B4C5Dxv1"}) {
        EXPECT_EQ(productCodeOfFolder(other), std::nullopt) << other;
    }
    EXPECT_TRUE(isFolderOfProduct(L"{1a2b3c4d-5e6f-4a7b-8c9d-0e1f2a3b4c5d}v0.9", code));
    EXPECT_FALSE(isFolderOfProduct(L"{2A2B3C4D-5E6F-4A7B-8C9D-0E1F2A3B4C5D}v1.0.0", code));
}

TEST(PackageCacheRules, LastUsedSourceNamesAFolder) {
    EXPECT_EQ(lastUsedSourceFolder(L"n;1;C:\\ProgramData\\Tarnell\\Package Cache\\{X}v1\\"),
              L"C:\\ProgramData\\Tarnell\\Package Cache\\{X}v1");
    for (const wchar_t* other : {L"", L"C:\\Source\\", L"n;1;", L"n1;C:\\x"}) {
        EXPECT_EQ(lastUsedSourceFolder(other), L"") << other;
    }
}

} // namespace
