#pragma once

#include <windows.h>

#include <cstddef>
#include <memory>
#include <optional>

#include "CacheFolder.h"
#include "Guid.h"
#include "TreeRemoval.h"
#include "UniqueResource.h"
#include "tstrings.h"

// The folder the package and its cabinets are written to for msiexec.exe,
// which records it as the product's source.
class PackageFolder {
public:
    virtual ~PackageFolder() = default;

    virtual const WString& path() const = 0;
    // Writes name in the folder with these bytes, locked against changes while
    // the handle lives.
    virtual OwnedHandle place(const WString& name, const void* data, size_t size) = 0;
    // msiexec.exe has ended with exitCode, and every handle of place() is closed.
    virtual void finish(DWORD exitCode) = 0;
};

// A new private folder under the temporary directory, removed with all it
// holds when the object goes.
class TemporaryPackageFolder : public PackageFolder {
public:
    explicit TemporaryPackageFolder(bool elevated);

    const WString& path() const override { return dir; }
    OwnedHandle place(const WString& name, const void* data, size_t size) override;
    void finish(DWORD) override {}

private:
    WString dir;
    TreeRemovalScope removal;
};

// The product's folder in a package cache, kept for repairs. A failed or
// cancelled install removes what it wrote there; one that succeeded removes the
// product's other versions.
class CachedPackageFolder : public PackageFolder {
public:
    CachedPackageFolder(PackageLocation location, const Guid& productCode, const WString& productVersion);
    ~CachedPackageFolder() override;

    const WString& path() const override { return folder.path(); }
    OwnedHandle place(const WString& name, const void* data, size_t size) override;
    void finish(DWORD exitCode) override;

private:
    void removeWhatWasWritten();

    WString root;
    Guid productCode;
    CacheFolder folder;
    bool finished = false;
};
