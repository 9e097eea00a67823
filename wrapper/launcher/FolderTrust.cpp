#include "FolderTrust.h"

#include <aclapi.h>

#include "RelativeFiles.h"
#include "UniqueResource.h"
#include "WinErrorHandling.h"
#include "WinSysInfo.h"

namespace {

// The SID of an entry whose layout is a header, a mask and the SID; other
// kinds (object and compound entries) carry theirs elsewhere.
WString sidOf(const ACE_HEADER* header) {
    switch (header->AceType) {
    case ACCESS_ALLOWED_ACE_TYPE:
    case ACCESS_DENIED_ACE_TYPE:
    case ACCESS_ALLOWED_CALLBACK_ACE_TYPE:
    case ACCESS_DENIED_CALLBACK_ACE_TYPE:
        return SysInfo::sidText(const_cast<DWORD*>(&reinterpret_cast<const ACCESS_ALLOWED_ACE*>(header)->SidStart));
    default: return {};
    }
}

std::vector<AccessEntry> entriesOf(PACL acl) {
    std::vector<AccessEntry> entries;
    for (DWORD i = 0; i < acl->AceCount; ++i) {
        void* ace = nullptr;
        if (!GetAce(acl, i, &ace)) {
            THROW_SYS_ERROR("GetAce failed", GetAce);
        }
        const auto* header = static_cast<const ACE_HEADER*>(ace);
        // Every kind of entry has its mask right after the header.
        const ACCESS_MASK mask = reinterpret_cast<const ACCESS_ALLOWED_ACE*>(header)->Mask;
        entries.push_back({header->AceType, header->AceFlags, mask, sidOf(header)});
    }
    return entries;
}

} // namespace

SecurityFacts securityFactsOf(HANDLE object) {
    PSID owner = nullptr;
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    const DWORD status = GetSecurityInfo(object, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                                         &owner, nullptr, &dacl, nullptr, &descriptor);
    if (status != ERROR_SUCCESS) {
        THROW_SYS_ERROR_CODE("GetSecurityInfo failed", GetSecurityInfo, status);
    }
    const OwnedLocalMemory ownedDescriptor(descriptor);
    SecurityFacts facts{owner != nullptr ? SysInfo::sidText(owner) : WString(), std::nullopt};
    if (dacl != nullptr) {
        facts.dacl = entriesOf(dacl);
    }
    return facts;
}

std::optional<WString> entryDistrust(HANDLE entry, const WString& folderPath, const WString& name, bool isFolder,
                                     const WStringList& trusted) {
    const EntryFacts facts = entryFactsOf(entry);
    if (facts.isLink) {
        return WString(L"it is a link");
    }
    if (!isAtPlace(entry, folderPath, name)) {
        return L"it leads to " + finalPathOf(entry);
    }
    if (facts.isFolder != isFolder) {
        return WString(isFolder ? L"it is not a folder" : L"it is a folder");
    }
    return securityDistrust(securityFactsOf(entry), trusted);
}
