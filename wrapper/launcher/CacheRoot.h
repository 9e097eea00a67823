#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>

#include "PackageLocation.h"
#include "RelativeFiles.h"
#include "SecurityDescriptor.h"
#include "TreeRemoval.h"
#include "tstrings.h"

// Raised when the cache must not or cannot be used; the reason is logged and
// the package goes to a temporary folder instead.
class CacheRefusal : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Where a cache tells what it did that a person should know of.
using CacheNote = std::function<void(const WString& note)>;

// The root of a package cache, "Tarnell\Package Cache" in ProgramData for the
// machine or in the user's LocalAppData for the user, opened level by level
// from the known folder down: each level by name in the one above, never
// through a link, and checked before anything below it is read, written or
// deleted. Its owner must be SYSTEM, the Administrators, TrustedInstaller,
// the known folder's owner or, for the user's cache, the user; nobody else may
// be allowed to change it. The levels are held for the object's life, so that
// nobody can rename them meanwhile.
class CacheRoot {
public:
    enum Purpose {
        // A missing level is made, protected; one that fails the checks is set
        // aside (renamed within its folder, never entered) and made anew.
        // Raises CacheRefusal where that cannot be done.
        Install,
        // A missing level, or one that fails the checks, ends it: nothing below
        // it is touched, and open() gives nothing.
        Tidy,
    };

    static std::unique_ptr<CacheRoot> open(PackageLocation location, Purpose purpose, const CacheNote& note);

    // "Package Cache", held.
    const HeldFolder& folder() const { return packageCache; }
    PackageLocation location() const { return where; }
    // Who may own and change what lies in the cache (SID strings).
    const WStringList& trusted() const { return trustedSids; }
    // The protection given to a new folder or file: in the machine's cache its
    // own; in the user's, the user's alone for a folder, inherited for a file.
    PSECURITY_DESCRIPTOR newFolderSecurity() const;
    PSECURITY_DESCRIPTOR newFileSecurity() const;
    // What a run holds of a product folder or file: enough to check it, and in
    // the machine's cache to give it the protection anew.
    ACCESS_MASK checkAccess() const;
    // Sets the machine cache's protection on a folder or file held with checkAccess().
    void protect(HANDLE object, bool isFolder) const;
    // What becomes of what a removal here cannot remove now. The machine's
    // cache goes at the restart: every level from ProgramData down was checked
    // just now to be owned by SYSTEM, the Administrators or TrustedInstaller
    // with nobody else allowed to change it, so until the restart only an
    // administrator can turn a level into a link. The user's is left for a
    // later run: the user's own unelevated programs can change it.
    Leftovers leftovers() const;

    // Removes "Package Cache" and then "Tarnell" where they hold nothing and
    // nobody else holds them; lets go of both either way.
    void removeIfEmpty();

private:
    CacheRoot(PackageLocation location, HeldFolder base);
    bool openLevels(Purpose purpose, const CacheNote& note);
    std::optional<HeldFolder> openLevel(const HeldFolder& parent, const WString& name, Purpose purpose,
                                        const CacheNote& note);

    PackageLocation where;
    WStringList trustedSids;
    std::unique_ptr<SecurityDescriptor> folderSecurity;
    std::unique_ptr<SecurityDescriptor> fileSecurity;
    HeldFolder base;
    HeldFolder tarnell;
    HeldFolder packageCache;
};

// The path of a cache's root, for messages: nothing is opened.
WString cacheRootPath(PackageLocation location);
