#include "CacheFolder.h"

#include <algorithm>
#include <cstring>
#include <span>

#include "FileUtils.h"
#include "FolderTrust.h"
#include "LockedFile.h"
#include "Log.h"
#include "WinErrorHandling.h"
#include "Xxh3.h"

namespace {

// Enough for a few rebuilt packages of one version; beyond, a temporary folder.
constexpr int maxFoldersPerVersion = 8;

// A setup holds its product folder shared for reading only, and with the
// right to add files: another setup's hold, or its sweep's open for deletion,
// fails on it, while the installer and anyone listing the folder get in.
ACCESS_MASK heldAccess(const CacheRoot& root) { return root.checkAccess() | FILE_ADD_FILE; }

WString candidateName(const WString& folderName, int index) {
    return index == 0 ? folderName : (tstrings::MessageBuilder() << folderName << L"~" << index + 1).str();
}

// The file holds the bytes the setup carries; those are checked against what
// the setup recorded of them on the way.
bool sameBytes(HANDLE file, const PackageFile& expected) {
    LARGE_INTEGER fileSize{};
    if (!GetFileSizeEx(file, &fileSize) || static_cast<uint64_t>(fileSize.QuadPart) != expected.size) {
        return false;
    }
    std::vector<char> buffer(size_t{1} << 20);
    const auto* bytes = static_cast<const char*>(expected.data);
    pack::Xxh3 checksum;
    for (size_t done = 0; done < expected.size;) {
        DWORD read = 0;
        const DWORD wanted = static_cast<DWORD>(std::min(buffer.size(), expected.size - done));
        if (!ReadFile(file, buffer.data(), wanted, &read, nullptr) || read != wanted ||
            std::memcmp(buffer.data(), bytes + done, read) != 0) {
            return false;
        }
        if (expected.recorded) {
            checksum.add(std::as_bytes(std::span(bytes + done, read)));
        }
        done += read;
    }
    checkRecordedChecksum(expected, checksum.digest());
    return true;
}

// The file name in the folder, held for reading only, if it is a file nobody
// untrusted may change holding exactly these bytes.
OwnedHandle sameFile(const CacheRoot& root, const HeldFolder& folder, const PackageFile& file) {
    OpenedEntry entry = openEntry(folder.handle.get(), file.name, {GENERIC_READ | root.checkAccess(), FILE_SHARE_READ});
    if (!entry.handle) {
        return {};
    }
    if (const std::optional<WString> distrust =
            entryDistrust(entry.handle.get(), folder.path, file.name, false, root.trusted())) {
        LOG_INFO("Not using [" << FileUtils::joinPath(folder.path, file.name) << "]: " << *distrust);
        return {};
    }
    if (!sameBytes(entry.handle.get(), file)) {
        return {};
    }
    return std::move(entry.handle);
}

} // namespace

CacheFolder::CacheFolder(const CacheRoot& root, const WString& folderName, const std::vector<PackageFile>& files,
                         PlacedFiles& placed) {
    checkRecordedSizes(files);
    const HeldFolder& cache = root.folder();
    const EntryOpening holding{heldAccess(root), FILE_SHARE_READ};
    for (int index = 0; index < maxFoldersPerVersion; ++index) {
        const WString name = candidateName(folderName, index);
        OpenedEntry entry = openEntry(cache.handle.get(), name, holding);
        if (entry.error == ERROR_FILE_NOT_FOUND) {
            if (tryNew(root, name, files, placed)) {
                return;
            }
            continue;
        }
        if (entry.error == ERROR_SHARING_VIOLATION) {
            throw CacheRefusal(tstrings::toUtf8(L"[" + FileUtils::joinPath(cache.path, name) +
                                                L"] is in use by another setup"));
        }
        if (entry.handle && tryExisting(root, entry, name, files, placed)) {
            return;
        }
    }
    throw CacheRefusal(tstrings::toUtf8(L"no folder for " + folderName + L" in [" + cache.path + L"] can be used"));
}

bool CacheFolder::tryNew(const CacheRoot& root, const WString& name, const std::vector<PackageFile>& files,
                         PlacedFiles& placed) {
    const HeldFolder& cache = root.folder();
    OpenedEntry made = openEntry(cache.handle.get(), name,
                                 {heldAccess(root), FILE_SHARE_READ, true, true,
                                  root.newFolderSecurity()});
    if (made.error == ERROR_ALREADY_EXISTS) {
        return false;
    }
    if (!made.handle) {
        throwOpenError(cache, name, made.error);
    }
    folder = {std::move(made.handle), FileUtils::joinPath(cache.path, name)};
    madeHere = true;
    PlacedFiles written;
    try {
        for (const PackageFile& file : files) {
            writeCheckedFile(folder, file, root.newFileSecurity(), written);
        }
    } catch (...) {
        written.locks.clear();
        CleanupBudget budget;
        removeHeldTree(root.folder(), std::move(folder), budget, root.leftovers(), &written.identities);
        throw;
    }
    placed.append(std::move(written));
    return true;
}

bool CacheFolder::tryExisting(const CacheRoot& root, OpenedEntry& entry, const WString& name,
                              const std::vector<PackageFile>& files, PlacedFiles& placed) {
    const HeldFolder& cache = root.folder();
    const WString path = FileUtils::joinPath(cache.path, name);
    if (const std::optional<WString> distrust = entryDistrust(entry.handle.get(), cache.path, name, true, root.trusted())) {
        LOG_INFO("Not using [" << path << "]: " << *distrust);
        return false;
    }
    HeldFolder candidate{std::move(entry.handle), path};
    PlacedFiles kept;
    for (const PackageFile& file : files) {
        OwnedHandle same = sameFile(root, candidate, file);
        if (!same) {
            LOG_INFO("Not using [" << path << "]: it holds another package");
            return false;
        }
        root.protect(same.get(), false);
        kept.add(std::move(same), false);
    }
    root.protect(candidate.handle.get(), true);
    LOG_TRACE("Kept [" << path << "]: it holds the package's files already");
    folder = std::move(candidate);
    placed.append(std::move(kept));
    return true;
}
