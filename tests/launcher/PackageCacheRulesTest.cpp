// Where the launcher writes the package, and which cache folders it may use and remove.
#include <gtest/gtest.h>

#include "CacheLifetime.h"
#include "CacheSecurity.h"
#include "PackageLocation.h"

namespace {

using pack::InstallScope;

const wchar_t administrators[] = L"S-1-5-32-544";
const wchar_t someUser[] = L"S-1-5-21-1-2-3-1001";

// Each row: the package, the run and an existing cache folder's owner; where the package goes.
TEST(PackageCacheRules, WhereThePackageGoes) {
    const struct {
        std::optional<InstallScope> scope;  // nothing: a setup that records no facts
        bool elevated;
        bool cacheAllowed;
        const wchar_t* folderOwner;
        PackageLocation location;
    } rows[] = {
        {InstallScope::Machine, true, true, administrators, PackageLocation::MachineCache},
        {InstallScope::Machine, true, true, someUser, PackageLocation::TemporaryFolder},
        {InstallScope::Machine, false, true, administrators, PackageLocation::TemporaryFolder},
        {InstallScope::Machine, true, false, administrators, PackageLocation::TemporaryFolder},
        {InstallScope::User, false, true, someUser, PackageLocation::UserCache},
        {InstallScope::User, true, true, someUser, PackageLocation::UserCache},
        {InstallScope::User, false, true, L"S-1-5-21-9-9-9-1002", PackageLocation::TemporaryFolder},
        {InstallScope::User, false, false, someUser, PackageLocation::TemporaryFolder},
        {InstallScope::Dual, true, true, administrators, PackageLocation::TemporaryFolder},
        {InstallScope::Dual, false, true, someUser, PackageLocation::TemporaryFolder},
        {std::nullopt, true, true, administrators, PackageLocation::TemporaryFolder},
    };
    const WStringList trusted = {L"S-1-5-18", administrators, someUser};
    const WStringList machineTrusted = {L"S-1-5-18", administrators};
    for (const auto& row : rows) {
        std::optional<pack::SetupFacts> facts;
        if (row.scope) {
            facts = pack::SetupFacts{};
            facts->scope = *row.scope;
            facts->packageCache = row.cacheAllowed;
        }
        const LocationChoice choice = choosePackageLocation(facts, row.elevated);
        const WStringList& owners = choice.location == PackageLocation::MachineCache ? machineTrusted : trusted;
        const bool usable = !folderDistrust(false, row.folderOwner, owners);
        const PackageLocation location = usable ? choice.location : PackageLocation::TemporaryFolder;
        EXPECT_EQ(location, row.location) << static_cast<int>(row.scope.value_or(InstallScope::Dual)) << " elevated "
                                          << row.elevated << " cache " << row.cacheAllowed << " " << row.folderOwner;
        EXPECT_NE(WString(choice.reason), L"");
    }
    EXPECT_EQ(folderDistrust(true, administrators, machineTrusted), L"it is a link");
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
