#include "RelativeFiles.h"

#include <winternl.h>

#include <vector>

#include "FileUtils.h"
#include "WinErrorHandling.h"

namespace {

// Not in the headers of our toolchain.
constexpr NTSTATUS oplockBreakInProgress = 0x00000108;
constexpr auto fileInternalInformation = static_cast<FILE_INFORMATION_CLASS>(6);
constexpr auto fileRenameInformation = static_cast<FILE_INFORMATION_CLASS>(10);
constexpr auto fileDispositionInfoEx = static_cast<FILE_INFO_BY_HANDLE_CLASS>(21);

// One plain component: a separator, a stream name or a dot name would lead
// somewhere other than an entry of the folder.
bool isPlainName(const WString& name) {
    return !name.empty() && name != L"." && name != L".." && name.find_first_of(L"\\/:", 0) == WString::npos &&
           name.find(L'\0') == WString::npos && name.size() < 256;
}

ULONG optionsFor(const EntryOpening& how) {
    ULONG options = FILE_OPEN_REPARSE_POINT | FILE_SYNCHRONOUS_IO_NONALERT | FILE_COMPLETE_IF_OPLOCKED;
    if (how.create) {
        options |= how.folder ? FILE_DIRECTORY_FILE : FILE_NON_DIRECTORY_FILE;
    }
    return options;
}

bool equalIgnoringCase(const WString& a, const WString& b) {
    return CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()), TRUE) ==
           CSTR_EQUAL;
}

} // namespace

OpenedEntry openEntry(HANDLE folder, const WString& name, const EntryOpening& how) {
    OpenedEntry opened;
    if (!isPlainName(name)) {
        opened.error = ERROR_INVALID_NAME;
        return opened;
    }
    UNICODE_STRING objectName{};
    objectName.Buffer = const_cast<PWSTR>(name.c_str());
    objectName.Length = objectName.MaximumLength = static_cast<USHORT>(name.size() * sizeof(wchar_t));
    OBJECT_ATTRIBUTES attributes{};
    InitializeObjectAttributes(&attributes, &objectName, OBJ_CASE_INSENSITIVE, folder, how.security);
    IO_STATUS_BLOCK io{};
    HANDLE handle = nullptr;
    const NTSTATUS status =
        NtCreateFile(&handle, how.access | SYNCHRONIZE, &attributes, &io, nullptr, FILE_ATTRIBUTE_NORMAL, how.share,
                     how.create ? FILE_CREATE : FILE_OPEN, optionsFor(how), nullptr, 0);
    if (!NT_SUCCESS(status)) {
        // One name in a folder held: a missing path can only be a missing entry.
        const DWORD error = RtlNtStatusToDosError(status);
        opened.error = error == ERROR_PATH_NOT_FOUND ? ERROR_FILE_NOT_FOUND : error;
        return opened;
    }
    opened.handle.reset(handle);
    // Someone holds a lock the open asked to break: waiting for them could last forever.
    if (status == oplockBreakInProgress) {
        opened.handle.reset();
        opened.error = ERROR_SHARING_VIOLATION;
    }
    return opened;
}

WString finalPathOf(HANDLE object) {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD length = GetFinalPathNameByHandleW(object, buffer.data(), static_cast<DWORD>(buffer.size()),
                                                       FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        if (length == 0) {
            THROW_SYS_ERROR("GetFinalPathNameByHandle failed", GetFinalPathNameByHandleW);
        }
        if (length < buffer.size()) {
            const WString path(buffer.data(), length);
            if (tstrings::startsWith(path, L"\\\\?\\UNC\\")) {
                return L"\\\\" + path.substr(8);
            }
            return tstrings::startsWith(path, L"\\\\?\\") ? path.substr(4) : path;
        }
        buffer.resize(length + 1);
    }
}

EntryFacts entryFactsOf(HANDLE object) {
    FILE_ATTRIBUTE_TAG_INFO info{};
    if (!GetFileInformationByHandleEx(object, FileAttributeTagInfo, &info, sizeof(info))) {
        THROW_SYS_ERROR("GetFileInformationByHandleEx failed", GetFileInformationByHandleEx);
    }
    return {(info.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0,
            (info.FileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0};
}

bool isAtPlace(HANDLE entry, const WString& folderPath, const WString& name) {
    return equalIgnoringCase(finalPathOf(entry), FileUtils::joinPath(folderPath, name));
}

WStringList entryNames(HANDLE folder, size_t maxEntries) {
    WStringList names;
    std::vector<unsigned char> buffer(64 * 1024);
    FILE_INFO_BY_HANDLE_CLASS query = FileIdBothDirectoryRestartInfo;
    while (names.size() < maxEntries) {
        if (!GetFileInformationByHandleEx(folder, query, buffer.data(), static_cast<DWORD>(buffer.size()))) {
            if (GetLastError() == ERROR_NO_MORE_FILES) {
                break;
            }
            THROW_SYS_ERROR("Listing a folder failed", GetFileInformationByHandleEx);
        }
        query = FileIdBothDirectoryInfo;
        for (size_t offset = 0;;) {
            const auto* entry = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(buffer.data() + offset);
            const WString name(entry->FileName, entry->FileNameLength / sizeof(wchar_t));
            if (name != L"." && name != L".." && names.size() < maxEntries) {
                names.push_back(name);
            }
            if (entry->NextEntryOffset == 0) {
                break;
            }
            offset += entry->NextEntryOffset;
        }
    }
    return names;
}

bool deleteThrough(HANDLE entry) {
    FILE_DISPOSITION_INFO_EX now{FILE_DISPOSITION_FLAG_DELETE | FILE_DISPOSITION_FLAG_POSIX_SEMANTICS |
                                 FILE_DISPOSITION_FLAG_IGNORE_READONLY_ATTRIBUTE};
    if (SetFileInformationByHandle(entry, fileDispositionInfoEx, &now, sizeof(now))) {
        return true;
    }
    // Before Windows 10 1709, and on Wine, only the plain form exists.
    const DWORD error = GetLastError();
    if (error != ERROR_INVALID_PARAMETER && error != ERROR_INVALID_FUNCTION && error != ERROR_NOT_SUPPORTED) {
        return false;
    }
    FILE_DISPOSITION_INFO onClose{TRUE};
    return SetFileInformationByHandle(entry, FileDispositionInfo, &onClose, sizeof(onClose)) != FALSE;
}

bool deleteHeldFolder(const HeldFolder& parent, HeldFolder& folder) {
    const FileIdentity identity = identityOf(folder.handle.get());
    folder.handle.reset();
    const OpenedEntry entry =
        openEntry(parent.handle.get(), FileUtils::basename(folder.path), {DELETE | FILE_READ_ATTRIBUTES, shareAll});
    return entry.handle && identityOf(entry.handle.get()) == identity && deleteThrough(entry.handle.get());
}

bool renameWithin(HANDLE entry, HANDLE folder, const WString& newName) {
    if (!isPlainName(newName)) {
        SetLastError(ERROR_INVALID_NAME);
        return false;
    }
    // The Win32 call makes a relative name absolute against the current
    // directory on Wine; the native one keeps it relative to the folder.
    std::vector<unsigned char> buffer(sizeof(FILE_RENAME_INFO) + newName.size() * sizeof(wchar_t));
    auto* info = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    info->ReplaceIfExists = FALSE;
    info->RootDirectory = folder;
    info->FileNameLength = static_cast<DWORD>(newName.size() * sizeof(wchar_t));
    newName.copy(info->FileName, newName.size());
    IO_STATUS_BLOCK io{};
    const NTSTATUS status =
        NtSetInformationFile(entry, &io, info, static_cast<ULONG>(buffer.size()), fileRenameInformation);
    if (!NT_SUCCESS(status)) {
        SetLastError(RtlNtStatusToDosError(status));
        return false;
    }
    return true;
}

FileIdentity identityOf(HANDLE object) {
    // The volume's serial number as well would cost a volume query each time (a
    // slow one under Wine), and every comparison here is within one folder.
    LARGE_INTEGER index{};
    IO_STATUS_BLOCK io{};
    const NTSTATUS status = NtQueryInformationFile(object, &io, &index, sizeof(index), fileInternalInformation);
    if (!NT_SUCCESS(status)) {
        THROW_SYS_ERROR_CODE("NtQueryInformationFile failed", GetFileInformationByHandle, RtlNtStatusToDosError(status));
    }
    return {index.QuadPart};
}
