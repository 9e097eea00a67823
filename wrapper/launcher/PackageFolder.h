#pragma once

#include <windows.h>

#include <memory>
#include <vector>

#include "CacheFolder.h"
#include "CacheRoot.h"
#include "Guid.h"
#include "PackageFiles.h"
#include "TreeRemoval.h"
#include "tstrings.h"

// The folder the package and its cabinets are written to for msiexec.exe,
// which records it as the product's source.
class PackageFolder {
public:
    virtual ~PackageFolder() = default;

    virtual const WString& path() const = 0;
    // Puts the files in the folder; each is held against changes while its lock lives.
    virtual PlacedFiles place(const std::vector<PackageFile>& files) = 0;
    // msiexec.exe has ended with exitCode, and every lock of place() is
    // released. Never raises: the install's result stands whatever happens here.
    virtual void finish(DWORD exitCode, CleanupBudget& budget) = 0;
};

// A new private folder under the temporary directory, held for the run and
// removed, with the files this run made in it, when it is finished or goes.
class TemporaryPackageFolder : public PackageFolder {
public:
    explicit TemporaryPackageFolder(bool elevated);
    ~TemporaryPackageFolder() override;

    const WString& path() const override { return shownPath; }
    PlacedFiles place(const std::vector<PackageFile>& files) override;
    void finish(DWORD exitCode, CleanupBudget& budget) override;

private:
    HeldFolder parent;
    HeldFolder folder;
    WString shownPath;
    std::vector<FileIdentity> made;
};

// The product's folder in a package cache, kept for repairs (see
// CacheFolder). A failed or cancelled install removes what it made there; one
// that succeeded removes the product's other folders.
class CachedPackageFolder : public PackageFolder {
public:
    CachedPackageFolder(PackageLocation location, const Guid& productCode, const WString& productVersion,
                        const CacheNote& note);
    ~CachedPackageFolder() override;

    const WString& path() const override;
    PlacedFiles place(const std::vector<PackageFile>& files) override;
    void finish(DWORD exitCode, CleanupBudget& budget) override;

private:
    void removeWhatWasMade(CleanupBudget& budget);

    std::unique_ptr<CacheRoot> root;
    Guid productCode;
    WString folderName;
    std::unique_ptr<CacheFolder> folder;
    std::vector<FileIdentity> made;
};
