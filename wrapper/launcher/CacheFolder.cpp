#include "CacheFolder.h"

#include <cstring>
#include <vector>

#include "CacheSecurity.h"
#include "LockedFile.h"
#include "Log.h"
#include "PrivateSecurity.h"
#include "WinErrorHandling.h"
#include "WinFileUtils.h"
#include "WinSysInfo.h"

namespace {

const wchar_t systemSid[] = L"S-1-5-18";
const wchar_t administratorsSid[] = L"S-1-5-32-544";

WString knownFolder(PackageLocation location) {
    return SysInfo::getKnownFolderPath(location == PackageLocation::MachineCache ? FOLDERID_ProgramData
                                                                                 : FOLDERID_LocalAppData);
}

// A folder held without following a link; deletion shared only when asked.
// Listing access makes the handle count where the system checks sharing: a
// handle with attribute and security access alone keeps nobody out.
OwnedHandle openFolder(const WString& path, bool shareDeletion) {
    OwnedHandle folder(CreateFileW(path.c_str(),
                                   FILE_LIST_DIRECTORY | READ_CONTROL | WRITE_DAC | WRITE_OWNER | FILE_READ_ATTRIBUTES,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | (shareDeletion ? FILE_SHARE_DELETE : 0),
                                   nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT,
                                   nullptr));
    if (!folder) {
        THROW_SYS_ERROR("CreateFile(" << path << ") failed", CreateFileW);
    }
    return folder;
}

// Who may own a level of the cache: SYSTEM, the Administrators, whoever owns
// the known folder it lies in (the system, on Windows), and for the user's
// cache the user.
WStringList trustedOwners(PackageLocation location, const WString& base) {
    WStringList owners = {systemSid, administratorsSid, folderFacts(openFolder(base, true).get(), base).ownerSid};
    if (location == PackageLocation::UserCache) {
        owners.push_back(SysInfo::currentUserSid());
    }
    return owners;
}

bool sameBytes(HANDLE file, const void* data, size_t size) {
    LARGE_INTEGER fileSize{};
    if (!GetFileSizeEx(file, &fileSize) || static_cast<uint64_t>(fileSize.QuadPart) != size) {
        return false;
    }
    std::vector<char> buffer(size_t{1} << 20);
    const auto* expected = static_cast<const char*>(data);
    for (size_t done = 0; done < size;) {
        DWORD read = 0;
        const DWORD wanted = static_cast<DWORD>(std::min(buffer.size(), size - done));
        if (!ReadFile(file, buffer.data(), wanted, &read, nullptr) || read != wanted ||
            std::memcmp(buffer.data(), expected + done, read) != 0) {
            return false;
        }
        done += read;
    }
    return true;
}

} // namespace

WString cacheRoot(PackageLocation location) {
    return FileUtils::PathBuilder(knownFolder(location)).append(L"Tarnell").append(L"Package Cache");
}

CacheFolder::CacheFolder(PackageLocation location, const WString& folderName)
    : machine(location == PackageLocation::MachineCache) {
    WString level = knownFolder(location);
    const WStringList owners = trustedOwners(location, level);
    const CacheSecurity protection(CacheSecurity::Folder);
    const PrivateSecurity userOnly(false);
    const SECURITY_ATTRIBUTES* created = machine ? protection.attributes() : userOnly.attributes();
    for (const WString& name : {WString(L"Tarnell"), WString(L"Package Cache"), folderName}) {
        level = FileUtils::joinPath(level, name);
        const bool isProductFolder = name == folderName;
        if (!CreateDirectoryW(level.c_str(), const_cast<SECURITY_ATTRIBUTES*>(created)) &&
            GetLastError() != ERROR_ALREADY_EXISTS) {
            THROW_SYS_ERROR("CreateDirectory(" << level << ") failed", CreateDirectoryW);
        }
        OwnedHandle folder = openFolder(level, !isProductFolder);
        const FolderFacts facts = folderFacts(folder.get(), level);
        if (const std::optional<WString> distrust = folderDistrust(facts.isLink, facts.ownerSid, owners)) {
            throw CacheRefusal(tstrings::toUtf8(L"[" + level + L"] is not used: " + *distrust));
        }
        if (machine) {
            protection.applyTo(folder.get(), level);
        }
        if (isProductFolder) {
            lock = std::move(folder);
        }
    }
    dir = level;
}

OwnedHandle CacheFolder::place(const WString& name, const void* data, size_t size) {
    const WString path = FileUtils::joinPath(dir, name);
    OwnedHandle existing(CreateFileW(path.c_str(), GENERIC_READ | (machine ? WRITE_DAC | WRITE_OWNER : 0),
                                     FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                     FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (existing) {
        const FolderFacts facts = folderFacts(existing.get(), path);
        if (!facts.isLink && sameBytes(existing.get(), data, size)) {
            if (machine) {
                CacheSecurity(CacheSecurity::File).applyTo(existing.get(), path);
            }
            LOG_TRACE("Kept [" << path << "]: it holds the package's bytes already");
            return existing;
        }
        existing.reset();
        if (!DeleteFileW(path.c_str())) {
            THROW_SYS_ERROR("DeleteFile(" << path << ") failed", DeleteFileW);
        }
    }
    wrote = true;
    return writeLockedFile(path, data, size);
}
