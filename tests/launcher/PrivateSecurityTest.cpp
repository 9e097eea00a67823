// The security of the launcher's temporary directory. Wine neither keeps a
// descriptor given to CreateDirectoryW nor checks file access against one, so
// the descriptor is examined as built, and its use as far as Wine goes.
#include <gtest/gtest.h>

#include <windows.h>

#include <sddl.h>

#include <set>
#include <vector>

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

// "<SID> <access mask> <ACE flags>" for each entry that allows access, "other" for any other entry.
std::multiset<WString> daclEntries(PACL dacl) {
    std::multiset<WString> entries;
    for (DWORD i = 0; i < dacl->AceCount; ++i) {
        void* ace = nullptr;
        GetAce(dacl, i, &ace);
        const auto* allowed = static_cast<const ACCESS_ALLOWED_ACE*>(ace);
        if (allowed->Header.AceType != ACCESS_ALLOWED_ACE_TYPE) {
            entries.insert(L"other");
            continue;
        }
        entries.insert(sidText(const_cast<DWORD*>(&allowed->SidStart)) + L" " + std::to_wstring(allowed->Mask) + L" " +
                       std::to_wstring(allowed->Header.AceFlags));
    }
    return entries;
}

TEST(PrivateSecurity, LetsInOnlyTheUserSystemAndAdministrators) {
    const PrivateSecurity security;
    const SECURITY_ATTRIBUTES* attributes = security.attributes();
    EXPECT_EQ(attributes->nLength, sizeof(SECURITY_ATTRIBUTES));
    EXPECT_FALSE(attributes->bInheritHandle);
    const PSECURITY_DESCRIPTOR descriptor = attributes->lpSecurityDescriptor;
    ASSERT_TRUE(IsValidSecurityDescriptor(descriptor));

    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    ASSERT_TRUE(GetSecurityDescriptorControl(descriptor, &control, &revision));
    EXPECT_TRUE(control & SE_DACL_PROTECTED) << "the parent folder's entries would be inherited";
    BOOL present = FALSE;
    BOOL defaulted = FALSE;
    PACL dacl = nullptr;
    ASSERT_TRUE(GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted));
    ASSERT_TRUE(present && dacl != nullptr) << "no DACL lets everyone in";

    // Full access, passed on to the files and folders inside.
    const WString fullAndPassedOn =
        L" " + std::to_wstring(FILE_ALL_ACCESS) + L" " + std::to_wstring(OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE);
    EXPECT_EQ(daclEntries(dacl), (std::multiset<WString>{currentUserSid() + fullAndPassedOn,
                                                          L"S-1-5-18" + fullAndPassedOn,
                                                          L"S-1-5-32-544" + fullAndPassedOn}));
}

TEST(PrivateSecurity, TempDirectoryIsCreatedWithIt) {
    const PrivateSecurity security;
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
