#include "CacheSecurity.h"

#include <aclapi.h>
#include <sddl.h>

#include <algorithm>

#include "WinErrorHandling.h"
#include "WinSysInfo.h"

const wchar_t* CacheSecurity::sddl(Kind kind) {
    // O:BA owner Administrators; D:P protected, nothing inherited from above;
    // FA full access for SYSTEM (SY) and Administrators (BA); 0x1200a9 read and
    // execute for Users (BU); OICI passed on to what a folder holds.
    return kind == Folder ? L"O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)"
                          : L"O:BAD:P(A;;FA;;;SY)(A;;FA;;;BA)(A;;0x1200a9;;;BU)";
}

CacheSecurity::CacheSecurity(Kind kind) {
    PSECURITY_DESCRIPTOR built = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl(kind), SDDL_REVISION_1, &built, nullptr)) {
        THROW_SYS_ERROR("ConvertStringSecurityDescriptorToSecurityDescriptor(" << sddl(kind) << ") failed",
                        ConvertStringSecurityDescriptorToSecurityDescriptorW);
    }
    descriptor.reset(built);
    securityAttributes.nLength = sizeof(securityAttributes);
    securityAttributes.lpSecurityDescriptor = built;
    securityAttributes.bInheritHandle = FALSE;
}

void CacheSecurity::applyTo(HANDLE object, const WString& path) const {
    PSID owner = nullptr;
    BOOL defaulted = FALSE;
    PACL dacl = nullptr;
    BOOL present = FALSE;
    if (!GetSecurityDescriptorOwner(descriptor.get(), &owner, &defaulted) ||
        !GetSecurityDescriptorDacl(descriptor.get(), &present, &dacl, &defaulted)) {
        THROW_SYS_ERROR("The cache's security descriptor cannot be read", GetSecurityDescriptorDacl);
    }
    const DWORD status =
        SetSecurityInfo(object, SE_FILE_OBJECT,
                        OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                        owner, nullptr, dacl, nullptr);
    if (status != ERROR_SUCCESS) {
        THROW_SYS_ERROR_CODE("SetSecurityInfo(" << path << ") failed", SetSecurityInfo, status);
    }
}

std::optional<WString> folderDistrust(bool isLink, const WString& ownerSid, const WStringList& trustedOwners) {
    if (isLink) {
        return WString(L"it is a link");
    }
    if (std::find(trustedOwners.begin(), trustedOwners.end(), ownerSid) == trustedOwners.end()) {
        return L"it is owned by " + ownerSid;
    }
    return std::nullopt;
}

FolderFacts folderFacts(HANDLE folder, const WString& path) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(folder, &info)) {
        THROW_SYS_ERROR("GetFileInformationByHandle(" << path << ") failed", GetFileInformationByHandle);
    }
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    const DWORD status =
        GetSecurityInfo(folder, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr, nullptr, &descriptor);
    if (status != ERROR_SUCCESS) {
        THROW_SYS_ERROR_CODE("GetSecurityInfo(" << path << ") failed", GetSecurityInfo, status);
    }
    const OwnedLocalMemory ownedDescriptor(descriptor);
    const WString ownerSid = SysInfo::sidText(owner);
    // Windows opens a link itself and says so; Wine opens what a link points to,
    // and only the path's own attributes tell.
    const DWORD pathAttributes = GetFileAttributesW(path.c_str());
    const bool link = ((info.dwFileAttributes | (pathAttributes != INVALID_FILE_ATTRIBUTES ? pathAttributes : 0)) &
                       FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    return FolderFacts{link, ownerSid};
}
