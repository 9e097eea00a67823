#pragma once

#include <cstddef>
#include <vector>

#include "RelativeFiles.h"
#include "UniqueResource.h"
#include "tstrings.h"

// One file of the package as the setup carries it: main.msi or a cabinet.
struct PackageFile {
    WString name;
    const void* data;
    size_t size;
};

// The files a run placed in a folder, each held for reading only: while held,
// nobody can change, replace or delete them.
struct PlacedFiles {
    std::vector<OwnedHandle> locks;
    std::vector<FileIdentity> identities;  // of the files this run made itself

    void add(OwnedHandle lock, bool made);
    void append(PlacedFiles&& other);
};
