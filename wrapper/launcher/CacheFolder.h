#pragma once

#include <cstddef>

#include "PackageLocation.h"
#include "UniqueResource.h"
#include "tstrings.h"

// The package cache's root: "Tarnell\Package Cache" in ProgramData for the
// machine, in the user's LocalAppData for the user.
WString cacheRoot(PackageLocation location);

// Raised when the cache must not or cannot be used; the reason is logged and
// the package goes to a temporary folder instead.
class CacheRefusal : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A product's folder in the package cache, opened or created with its root and
// held for the run: while this lives, its handle does not share deletion, so
// nobody (a sweep of another setup, say) can remove or replace the folder.
// An existing level is used only when it is no link and has a trusted owner;
// in the machine's cache every level gets its protection anew.
class CacheFolder {
public:
    CacheFolder(PackageLocation location, const WString& folderName);

    const WString& path() const { return dir; }
    // Makes name in the folder a file holding exactly these bytes, locked
    // against changes while the handle lives: an existing identical copy is
    // kept, as the installer may already know it; anything else is replaced.
    OwnedHandle place(const WString& name, const void* data, size_t size);
    // This run wrote or replaced a file.
    bool changed() const { return wrote; }
    // Lets the folder go, so that it can be removed.
    void release() { lock.reset(); }

private:
    bool machine;
    WString dir;
    OwnedHandle lock;
    bool wrote = false;
};
