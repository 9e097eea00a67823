// The security of the launcher's temporary directory. Wine neither keeps a
// descriptor given to CreateDirectoryW nor checks file access against one, so
// the descriptor is examined as built, and its use as far as Wine goes.
#include <gtest/gtest.h>

#include <windows.h>

#include <sddl.h>

#include <set>
#include <vector>

#include "CacheSecurity.h"
#include "PrivateSecurity.h"
#include "TestFolder.h"
#include "WinFileUtils.h"

namespace {

WString sidText(PSID sid) {
    LPWSTR text = nullptr;
    if (!ConvertSidToStringSidW(sid, &text)) {
        return L"?";
    }
    const WString result = text;
    LocalFree(text);
    return result;
}

WString currentUserSid() {
    HANDLE token = nullptr;
    OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token);
    std::vector<BYTE> user(1024);
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, user.data(), static_cast<DWORD>(user.size()), &size);
    CloseHandle(token);
    return sidText(reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid);
}

// "<SID> <access mask> <ACE flags>" for each entry that allows access or labels
// the object, "other" for any other entry.
std::multiset<WString> aclEntries(PACL acl) {
    std::multiset<WString> entries;
    for (DWORD i = 0; acl != nullptr && i < acl->AceCount; ++i) {
        void* ace = nullptr;
        GetAce(acl, i, &ace);
        // Both kinds share the layout of an allowing entry.
        const auto* entry = static_cast<const ACCESS_ALLOWED_ACE*>(ace);
        if (entry->Header.AceType != ACCESS_ALLOWED_ACE_TYPE && entry->Header.AceType != SYSTEM_MANDATORY_LABEL_ACE_TYPE) {
            entries.insert(L"other");
            continue;
        }
        entries.insert(sidText(const_cast<DWORD*>(&entry->SidStart)) + L" " + std::to_wstring(entry->Mask) + L" " +
                       std::to_wstring(entry->Header.AceFlags));
    }
    return entries;
}

// What a descriptor as built says: protected from inheritance, its owner, its entries.
struct DescriptorFacts {
    bool isProtected = false;
    WString owner;  // "" when it names none
    std::multiset<WString> dacl;
    std::multiset<WString> sacl;
    bool hasDacl = false;
};

DescriptorFacts factsOf(const SECURITY_ATTRIBUTES* attributes) {
    EXPECT_EQ(attributes->nLength, sizeof(SECURITY_ATTRIBUTES));
    EXPECT_FALSE(attributes->bInheritHandle);
    const PSECURITY_DESCRIPTOR descriptor = attributes->lpSecurityDescriptor;
    EXPECT_TRUE(IsValidSecurityDescriptor(descriptor));
    DescriptorFacts facts;
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    GetSecurityDescriptorControl(descriptor, &control, &revision);
    facts.isProtected = (control & SE_DACL_PROTECTED) != 0;
    PSID owner = nullptr;
    BOOL defaulted = FALSE;
    if (GetSecurityDescriptorOwner(descriptor, &owner, &defaulted) && owner != nullptr) {
        facts.owner = sidText(owner);
    }
    BOOL present = FALSE;
    PACL acl = nullptr;
    GetSecurityDescriptorDacl(descriptor, &present, &acl, &defaulted);
    facts.hasDacl = present && acl != nullptr;
    facts.dacl = aclEntries(present ? acl : nullptr);
    GetSecurityDescriptorSacl(descriptor, &present, &acl, &defaulted);
    facts.sacl = aclEntries(present ? acl : nullptr);
    return facts;
}

// Full access or the label, passed on to the files and folders inside.
const WString passedOn = L" " + std::to_wstring(OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE);
const WString full = L" " + std::to_wstring(FILE_ALL_ACCESS);

TEST(PrivateSecurity, LetsInOnlyTheUserSystemAndAdministrators) {
    const DWORD nothingUp =
        SYSTEM_MANDATORY_LABEL_NO_WRITE_UP | SYSTEM_MANDATORY_LABEL_NO_READ_UP | SYSTEM_MANDATORY_LABEL_NO_EXECUTE_UP;
    const struct {
        bool elevated;
        std::multiset<WString> dacl;
        std::multiset<WString> sacl;
    } rows[] = {
        // Not elevated: the user's own processes are all alike.
        {false, {currentUserSid() + full + passedOn, L"S-1-5-18" + full + passedOn, L"S-1-5-32-544" + full + passedOn}, {}},
        // Elevated: the user's non-elevated processes stay out, and so does anything below High integrity.
        {true,
         {L"S-1-5-18" + full + passedOn, L"S-1-5-32-544" + full + passedOn},
         {L"S-1-16-12288 " + std::to_wstring(nothingUp) + passedOn}},
    };
    for (const auto& row : rows) {
        const PrivateSecurity security(row.elevated);
        const DescriptorFacts facts = factsOf(security.attributes());
        EXPECT_TRUE(facts.isProtected) << "the parent folder's entries would be inherited";
        ASSERT_TRUE(facts.hasDacl) << "no DACL lets everyone in";
        EXPECT_EQ(facts.dacl, row.dacl) << row.elevated;
        EXPECT_EQ(facts.sacl, row.sacl) << row.elevated;
    }
}

// The package cache: SYSTEM and the Administrators own and control it, users read and run.
TEST(CacheSecurity, AdministratorsOwnItUsersReadAndRun) {
    const WString readAndRun = L" " + std::to_wstring(FILE_GENERIC_READ | FILE_GENERIC_EXECUTE);
    const struct {
        CacheSecurity::Kind kind;
        WString passedOn;
    } rows[] = {{CacheSecurity::Folder, passedOn}, {CacheSecurity::File, L" 0"}};
    for (const auto& row : rows) {
        const CacheSecurity security(row.kind);
        const DescriptorFacts facts = factsOf(security.attributes());
        EXPECT_TRUE(facts.isProtected) << "ProgramData's entries would be inherited";
        EXPECT_EQ(facts.owner, L"S-1-5-32-544");
        ASSERT_TRUE(facts.hasDacl);
        EXPECT_EQ(facts.dacl, (std::multiset<WString>{L"S-1-5-18" + full + row.passedOn, L"S-1-5-32-544" + full + row.passedOn,
                                                      L"S-1-5-32-545" + readAndRun + row.passedOn}))
            << row.kind;
        EXPECT_EQ(facts.sacl, std::multiset<WString>{});
    }
}

TEST(PrivateSecurity, TempDirectoryIsCreatedWithIt) {
    const PrivateSecurity security(false);
    TestFolder parent;
    const WString first = FileUtils::createTempDirectory(L"", L".tmp", parent.path(), security.attributes());
    const WString second = FileUtils::createTempDirectory(L"", L".tmp", parent.path(), security.attributes());
    EXPECT_NE(first, second);
    for (const WString& dir : {first, second}) {
        EXPECT_TRUE(FileUtils::isDirectory(dir)) << dir;
        EXPECT_EQ(FileUtils::dirname(dir), parent.path());
    }
}

} // namespace
