#pragma once

#include <windows.h>

#include <optional>

#include "UniqueResource.h"
#include "tstrings.h"

// The protection of the machine's package cache: folders and files that SYSTEM
// and the Administrators control and own, that users may read and run, cut off
// from whatever the folder above would pass on. The installer repairs from
// them with full rights, so no user may change them.
class CacheSecurity {
public:
    enum Kind { Folder, File };

    static const wchar_t* sddl(Kind kind);

    explicit CacheSecurity(Kind kind);

    const SECURITY_ATTRIBUTES* attributes() const { return &securityAttributes; }
    // Sets owner and access list on an object that already exists, given
    // again on every run: nothing may have loosened them in between.
    void applyTo(HANDLE object, const WString& path) const;

private:
    OwnedLocalMemory descriptor;
    SECURITY_ATTRIBUTES securityAttributes{};
};

// Why an existing folder must not hold the package, or nothing when it may:
// a link (junction or symbolic link) leads elsewhere, and an owner other than
// one of trustedOwners (SID strings) may have changed anything inside.
std::optional<WString> folderDistrust(bool isLink, const WString& ownerSid, const WStringList& trustedOwners);

// The folder (or file), opened at path without following a link, is a link;
// and its owner as a SID string. Raises when the system cannot tell.
struct FolderFacts {
    bool isLink;
    WString ownerSid;
};
FolderFacts folderFacts(HANDLE folder, const WString& path);
