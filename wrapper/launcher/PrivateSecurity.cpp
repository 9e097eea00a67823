#include "PrivateSecurity.h"

#include <sddl.h>

#include <vector>

#include "WinErrorHandling.h"
#include "WinSysInfo.h"
#include "tstrings.h"

PrivateSecurity::PrivateSecurity(bool elevated) {
    // P: protected, nothing inherited from above; OICI: passed on to files and folders inside;
    // FA: full access; SY: SYSTEM; BA: the Administrators group. An elevated process
    // leaves out its user, whose other, non-elevated processes would otherwise get
    // in, and labels the folder High: NW NR NX, nothing of a lower level may write,
    // read or execute there.
    const WString sddl = elevated ? L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)S:(ML;OICI;NWNRNX;;;HI)"
                                  : L"D:P(A;OICI;FA;;;" + SysInfo::currentUserSid() + L")(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";
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
