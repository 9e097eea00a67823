#include "CacheSecurity.h"

const wchar_t* CacheSecurity::sddl(Kind kind) {
    // O:BA owner Administrators; D:P protected, nothing inherited from above;
    // FA full access for SYSTEM (SY) and Administrators (BA); 0x1200a9 read and
    // execute for Users (BU); OICI passed on to what a folder holds.
    return kind == Folder ? L"O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)"
                          : L"O:BAD:P(A;;FA;;;SY)(A;;FA;;;BA)(A;;0x1200a9;;;BU)";
}
