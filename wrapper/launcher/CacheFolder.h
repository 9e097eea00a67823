#pragma once

#include <optional>
#include <vector>

#include "CacheRoot.h"
#include "PackageFiles.h"
#include "TreeRemoval.h"

// The product's folder in a package cache that this run's package is installed
// from, held for the run, shared for reading only: while held, nobody can
// remove or rename it, and another run of a setup that would hold it too
// (the same setup started twice, say) installs from a temporary folder.
//
// A folder that holds these very files already is used as it is: the
// installer may know it as the product's source. Any other is never changed
// (a rebuilt package of the same version may differ from the copy an installed
// product repairs from): the files go to a new folder beside it,
// "{CODE}v1.0~2" and so on, and the one that is no longer needed goes only
// once an install from the new one has succeeded.
class CacheFolder {
public:
    // folderName: the product's, as cacheFolderName() gives it. Raises
    // CacheRefusal when no folder can be used (another setup holds the
    // product's folder, say).
    CacheFolder(const CacheRoot& root, const WString& folderName, const std::vector<PackageFile>& files,
                PlacedFiles& placed);

    const WString& path() const { return folder.path; }
    // This run made the folder, and so every file in it.
    bool made() const { return madeHere; }
    // The folder, let go by this object.
    HeldFolder release() { return std::move(folder); }

private:
    bool tryNew(const CacheRoot& root, const WString& name, const std::vector<PackageFile>& files, PlacedFiles& placed);
    bool tryExisting(const CacheRoot& root, OpenedEntry& entry, const WString& name,
                     const std::vector<PackageFile>& files, PlacedFiles& placed);

    HeldFolder folder;
    bool madeHere = false;
};
