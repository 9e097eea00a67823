#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "Checksums.h"

#include "RelativeFiles.h"
#include "UniqueResource.h"
#include "tstrings.h"

// One file of the package as the setup carries it: main.msi or a cabinet.
struct PackageFile {
    WString name;
    const void* data;
    size_t size;
    std::string part;                             // "the package", "the cabinet 'a.cab'"
    std::optional<pack::PartChecksum> recorded;  // nothing from a setup packed without checksums
};

// The files a run placed in a folder, each held for reading only: while held,
// nobody can change, replace or delete them.
struct PlacedFiles {
    std::vector<OwnedHandle> locks;
    std::vector<FileIdentity> identities;  // of the files this run made itself

    void add(OwnedHandle lock, bool made);
    void append(PlacedFiles&& other);
};

// Raises DamagedSetup for a file whose size is not the one recorded: checked
// before anything is written.
void checkRecordedSizes(const std::vector<PackageFile>& files);
// Raises DamagedSetup when the bytes summed to checksum are not those recorded.
void checkRecordedChecksum(const PackageFile& file, uint64_t checksum);

// Writes the file in the folder (see writeLockedFile), adds it to placed as
// made by this run, and then checks the bytes written against what the setup
// recorded of them.
void writeCheckedFile(const HeldFolder& folder, const PackageFile& file, PSECURITY_DESCRIPTOR security,
                      PlacedFiles& placed);
