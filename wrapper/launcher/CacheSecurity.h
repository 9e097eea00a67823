#pragma once

#include "SecurityDescriptor.h"

// The protection of the machine's package cache: folders and files that SYSTEM
// and the Administrators control and own, that users may read and run, cut off
// from whatever the folder above would pass on. The installer repairs from
// them with full rights, so no user may change them.
class CacheSecurity : public SecurityDescriptor {
public:
    enum Kind { Folder, File };

    static const wchar_t* sddl(Kind kind);

    explicit CacheSecurity(Kind kind) : SecurityDescriptor(sddl(kind)) {}
};
