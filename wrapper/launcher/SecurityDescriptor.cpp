#include "SecurityDescriptor.h"

#include <aclapi.h>
#include <sddl.h>

#include "WinErrorHandling.h"

SecurityDescriptor::SecurityDescriptor(const WString& sddl) {
    PSECURITY_DESCRIPTOR built = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1, &built, nullptr)) {
        THROW_SYS_ERROR("ConvertStringSecurityDescriptorToSecurityDescriptor(" << sddl << ") failed",
                        ConvertStringSecurityDescriptorToSecurityDescriptorW);
    }
    descriptor.reset(built);
    securityAttributes.nLength = sizeof(securityAttributes);
    securityAttributes.lpSecurityDescriptor = built;
    securityAttributes.bInheritHandle = FALSE;
}

void SecurityDescriptor::applyTo(HANDLE object) const {
    PSID owner = nullptr;
    BOOL defaulted = FALSE;
    PACL dacl = nullptr;
    BOOL present = FALSE;
    if (!GetSecurityDescriptorOwner(descriptor.get(), &owner, &defaulted) ||
        !GetSecurityDescriptorDacl(descriptor.get(), &present, &dacl, &defaulted)) {
        THROW_SYS_ERROR("A security descriptor cannot be read", GetSecurityDescriptorDacl);
    }
    const DWORD status =
        SetSecurityInfo(object, SE_FILE_OBJECT,
                        OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                        owner, nullptr, dacl, nullptr);
    if (status != ERROR_SUCCESS) {
        THROW_SYS_ERROR_CODE("SetSecurityInfo failed", SetSecurityInfo, status);
    }
}
