#include "CacheRoot.h"

#include "CacheSecurity.h"
#include "FileUtils.h"
#include "FolderTrust.h"
#include "Log.h"
#include "PrivateSecurity.h"
#include "Timestamp.h"
#include "WinErrorHandling.h"
#include "WinSysInfo.h"

namespace {

const wchar_t tarnellName[] = L"Tarnell";
const wchar_t packageCacheName[] = L"Package Cache";

// Levels are shared with other setups but never for deletion: nobody can
// rename one while it is held.
constexpr DWORD shareButDeletion = FILE_SHARE_READ | FILE_SHARE_WRITE;
// Enough to check a level; the machine's cache asks for more to protect it.
constexpr ACCESS_MASK readAccess = FILE_LIST_DIRECTORY | READ_CONTROL | FILE_READ_ATTRIBUTES;

WString knownFolder(PackageLocation location) {
    return SysInfo::getKnownFolderPath(location == PackageLocation::MachineCache ? FOLDERID_ProgramData
                                                                                 : FOLDERID_LocalAppData);
}

// The system's own setting names it: it is followed wherever it leads.
HeldFolder openKnownFolder(const WString& path) {
    OwnedHandle folder(CreateFileW(path.c_str(), readAccess, shareAll,
                                   nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!folder) {
        THROW_SYS_ERROR("CreateFile(" << path << ") failed", CreateFileW);
    }
    WString finalPath = finalPathOf(folder.get());
    return {std::move(folder), std::move(finalPath)};
}

WString asideName(const WString& name, int attempt) {
    const WString aside = name + L".set-aside-" + compactTimestampNow();
    return attempt > 0 ? (tstrings::MessageBuilder() << aside << L"-" << attempt + 1).str() : aside;
}

// Renames what lies at name in the folder, as itself, within the folder. The
// identity, where known, is that of the object judged: anything that took its
// place since is left to the next look.
void setAside(const HeldFolder& folder, const WString& name, const std::optional<FileIdentity>& judged,
              const WString& reason, const CacheNote& note) {
    const WString path = FileUtils::joinPath(folder.path, name);
    const auto refuse = [&](const WString& why) {
        throw CacheRefusal(tstrings::toUtf8(L"[" + path + L"] is not used: " + reason + L"; it cannot be set aside: " + why));
    };
    OpenedEntry entry = openEntry(folder.handle.get(), name, {DELETE | FILE_READ_ATTRIBUTES, shareAll});
    if (!entry.handle) {
        refuse(formatSystemMessage(entry.error));
    }
    if (!isAtPlace(entry.handle.get(), folder.path, name)) {
        refuse(L"it leads elsewhere");
    }
    if (judged && !(identityOf(entry.handle.get()) == *judged)) {
        return;
    }
    for (int attempt = 0; attempt < 5; ++attempt) {
        const WString aside = asideName(name, attempt);
        if (renameWithin(entry.handle.get(), folder.handle.get(), aside)) {
            note(L"[" + path + L"] was set aside as [" + aside + L"] and made anew: " + reason);
            return;
        }
        if (GetLastError() != ERROR_ALREADY_EXISTS) {
            break;
        }
    }
    refuse(formatSystemMessage(GetLastError()));
}

} // namespace

std::unique_ptr<CacheRoot> CacheRoot::open(PackageLocation location, Purpose purpose, const CacheNote& note) {
    std::unique_ptr<CacheRoot> root(new CacheRoot(location, openKnownFolder(knownFolder(location))));
    if (!root->openLevels(purpose, note)) {
        return nullptr;
    }
    return root;
}

CacheRoot::CacheRoot(PackageLocation location, HeldFolder knownFolder) : where(location), base(std::move(knownFolder)) {
    if (location == PackageLocation::UserCache) {
        folderSecurity = std::make_unique<PrivateSecurity>(false);
    } else {
        folderSecurity = std::make_unique<CacheSecurity>(CacheSecurity::Folder);
        fileSecurity = std::make_unique<CacheSecurity>(CacheSecurity::File);
    }
}

// Asked only once a level exists: most runs of a setup find no cache to tidy.
void CacheRoot::learnWhoIsTrusted() {
    if (!trustedSids.empty()) {
        return;
    }
    trustedSids = systemPrincipals();
    // Whoever owns the known folder could change anything below it anyway.
    trustedSids.push_back(securityFactsOf(base.handle.get()).ownerSid);
    if (where == PackageLocation::UserCache) {
        trustedSids.push_back(SysInfo::currentUserSid());
    }
}

bool CacheRoot::openLevels(Purpose purpose, const CacheNote& note) {
    HeldFolder* parent = &base;
    for (const auto& [name, level] : {std::pair{tarnellName, &tarnell}, std::pair{packageCacheName, &packageCache}}) {
        std::optional<HeldFolder> opened = openLevel(*parent, name, purpose, note);
        if (!opened) {
            return false;
        }
        *level = std::move(*opened);
        parent = level;
    }
    return true;
}

std::optional<HeldFolder> CacheRoot::openLevel(const HeldFolder& parent, const WString& name, Purpose purpose,
                                               const CacheNote& note) {
    const WString path = FileUtils::joinPath(parent.path, name);
    const ACCESS_MASK access = purpose == Install ? checkAccess() : readAccess;
    for (int attempt = 0; attempt < 3; ++attempt) {
        OpenedEntry level = openEntry(parent.handle.get(), name, {access, shareButDeletion});
        if (level.error == ERROR_FILE_NOT_FOUND) {
            if (purpose == Tidy) {
                return std::nullopt;
            }
            OpenedEntry made = openEntry(parent.handle.get(), name,
                                         {access, shareButDeletion, true, true, newFolderSecurity()});
            if (made.handle) {
                LOG_TRACE("Created [" << path << "] directory");
                return HeldFolder{std::move(made.handle), path};
            }
            if (made.error != ERROR_ALREADY_EXISTS) {
                throw CacheRefusal(tstrings::toUtf8(L"[" + path + L"] cannot be made: " + formatSystemMessage(made.error)));
            }
            continue;
        }
        learnWhoIsTrusted();
        std::optional<WString> distrust;
        std::optional<FileIdentity> judged;
        if (level.handle) {
            distrust = entryDistrust(level.handle.get(), parent.path, name, true, trustedSids);
            judged = identityOf(level.handle.get());
        } else {
            distrust = L"it cannot be opened: " + formatSystemMessage(level.error);
        }
        if (!distrust) {
            if (purpose == Install) {
                protect(level.handle.get(), true);
            }
            return HeldFolder{std::move(level.handle), path};
        }
        if (purpose == Tidy) {
            LOG_WARNING("Left the package cache [" << path << "] alone: " << *distrust);
            return std::nullopt;
        }
        level.handle.reset();
        setAside(parent, name, judged, *distrust, note);
    }
    throw CacheRefusal(tstrings::toUtf8(L"[" + path + L"] kept changing while it was opened"));
}

PSECURITY_DESCRIPTOR CacheRoot::newFolderSecurity() const { return folderSecurity->get(); }

PSECURITY_DESCRIPTOR CacheRoot::newFileSecurity() const { return fileSecurity ? fileSecurity->get() : nullptr; }

ACCESS_MASK CacheRoot::checkAccess() const {
    return where == PackageLocation::MachineCache ? readAccess | WRITE_DAC | WRITE_OWNER : readAccess;
}

void CacheRoot::protect(HANDLE object, bool isFolder) const {
    if (where == PackageLocation::MachineCache) {
        (isFolder ? folderSecurity : fileSecurity)->applyTo(object);
    }
}

Leftovers CacheRoot::leftovers() const {
    return where == PackageLocation::MachineCache ? Leftovers::AtRestart : Leftovers::ForALaterRun;
}

namespace {

// The level held in parent, let go; then removed if it holds nothing and is
// still the same folder.
bool removeLevelIfEmpty(const HeldFolder& parent, HeldFolder& level) {
    if (!level.handle || !entryNames(level.handle.get(), 1).empty() || !deleteHeldFolder(parent, level)) {
        return false;
    }
    LOG_TRACE("Deleted [" << level.path << "] directory");
    return true;
}

} // namespace

void CacheRoot::removeIfEmpty() {
    if (removeLevelIfEmpty(tarnell, packageCache)) {
        removeLevelIfEmpty(base, tarnell);
    }
    packageCache.handle.reset();
    tarnell.handle.reset();
}

WString cacheRootPath(PackageLocation location) {
    return FileUtils::PathBuilder(knownFolder(location)).append(tarnellName).append(packageCacheName);
}
