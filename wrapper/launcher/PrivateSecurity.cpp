#include "PrivateSecurity.h"

#include "WinSysInfo.h"

namespace {

WString privateSddl(bool elevated) {
    // P: protected, nothing inherited from above; OICI: passed on to files and folders inside;
    // FA: full access; SY: SYSTEM; BA: the Administrators group. An elevated process
    // leaves out its user, whose other, non-elevated processes would otherwise get
    // in, and labels the folder High: NW NR NX, nothing of a lower level may write,
    // read or execute there.
    return elevated ? L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)S:(ML;OICI;NWNRNX;;;HI)"
                    : L"D:P(A;OICI;FA;;;" + SysInfo::currentUserSid() + L")(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";
}

} // namespace

PrivateSecurity::PrivateSecurity(bool elevated) : SecurityDescriptor(privateSddl(elevated)) {}
