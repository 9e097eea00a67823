#include "WinFileUtils.h"

#include <ntsecapi.h>
#include <shlwapi.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <functional>
#include <iterator>
#include <memory>

#include "ErrorHandling.h"
#include "Log.h"
#include "UniqueResource.h"
#include "WinErrorHandling.h"

namespace FileUtils {

namespace {

const int tempNameAttempts = 100;
// Folders hold what another process will run: after these, their names are random.
const int predictableDirAttempts = 10;

// Relaxed: a reader wants a number, not an order among writes.
std::atomic<uint64_t> bytesWritten{0};

bool hasIllegalNameChars(const WString& namePart) {
    // The control characters U+0000..U+001F, then the characters the file system reserves.
    static const WString illegal = [] {
        WString chars;
        for (wchar_t c = 0; c < 0x20; ++c) {
            chars += c;
        }
        return chars + L"<>:\"|?*/\\";
    }();
    return namePart.find_first_of(illegal) != WString::npos;
}

void checkNameParts(const WString& prefix, const WString& suffix) {
    if (hasIllegalNameChars(prefix)) {
        THROW_RUNTIME_ERROR("Illegal characters in prefix=" << prefix);
    }
    if (hasIllegalNameChars(suffix)) {
        THROW_RUNTIME_ERROR("Illegal characters in suffix=" << suffix);
    }
}

// An unpredictable number from the system's generator. RtlGenRandom lives in
// advapi32.dll, which the process has loaded anyway.
int randomNumber() {
    int number = 0;
    if (!RtlGenRandom(&number, sizeof(number))) {
        THROW_RUNTIME_ERROR("RtlGenRandom failed");
    }
    return number;
}

// createNew gets the full path of each name createUniquelyNamed tries.
WString createWithUniqueName(const WString& prefix, const WString& suffix, const WString& dir,
                             const std::function<bool(const WString&)>& createNew, int predictableAttempts) {
    const WString name = createUniquelyNamed(
        prefix, suffix, [&](const WString& candidate) { return createNew(PathBuilder(dir).append(candidate)); },
        predictableAttempts);
    return name.empty() ? name : WString(PathBuilder(dir).append(name));
}

bool createNewFile(const WString& path) {
    const OwnedHandle file(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        return false;
    }
    LOG_TRACE("Created [" << path << "] file");
    return true;
}

// Creates one directory level. A failure, with its code left in GetLastError(), is the
// caller's to judge: an existing directory is fine for createDirectory, but a taken name for
// createTempDirectory.
bool createDir(const WString& dir, const SECURITY_ATTRIBUTES* securityAttributes, WStringList* createdDirs) {
    // CreateDirectoryW only reads the attributes.
    if (!CreateDirectoryW(dir.c_str(), const_cast<SECURITY_ATTRIBUTES*>(securityAttributes))) {
        return false;
    }
    LOG_TRACE("Created [" << dir << "] directory");
    if (createdDirs) {
        createdDirs->push_back(stripTrailingSeparators(dir));
    }
    return true;
}

bool isDirectoryAttributes(DWORD attributes) {
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

void moveFileImpl(const WString& from, const WString& to, DWORD flags) {
    const bool isFolder = isDirectory(from);
    if (!MoveFileExW(from.c_str(), to.empty() ? nullptr : to.c_str(), flags)) {
        THROW_SYS_ERROR("MoveFileEx(" << from << ", " << to << ", " << flags << ") failed", MoveFileExW);
    }
    const bool delayed = (flags & MOVEFILE_DELAY_UNTIL_REBOOT) != 0;
    const wchar_t* kind = isFolder ? L"folder" : L"file";
    tstrings::MessageBuilder text;
    if (to.empty()) {
        text << (delayed ? "Delete" : "Deleted") << " '" << from << "' " << kind;
    } else {
        text << (delayed ? "Move" : "Moved") << " '" << from << "' " << kind << " to '" << to << "'";
    }
    if (delayed) {
        text << " on reboot";
    }
    LOG_TRACE(text.str());
}

} // namespace

WString createUniquelyNamed(const WString& prefix, const WString& suffix,
                            const std::function<bool(const WString& name)>& createNew, int predictableAttempts) {
    const DWORD tickCount = GetTickCount();
    for (int i = 0; i < tempNameAttempts; ++i) {
        const int number =
            i < predictableAttempts ? static_cast<int>(tickCount + static_cast<DWORD>(i)) : randomNumber();
        const WString candidate = (tstrings::MessageBuilder() << prefix << number << suffix).str();
        if (createNew(candidate)) {
            return candidate;
        }
    }
    return {};
}

WString createTempFile(const WString& prefix, const WString& suffix, const WString& path) {
    checkNameParts(prefix, suffix);
    const WString created = createWithUniqueName(prefix, suffix, path, createNewFile, tempNameAttempts);
    if (created.empty()) {
        THROW_RUNTIME_ERROR("createTempFile(" << prefix << ", " << suffix << ", " << path << ") failed");
    }
    return created;
}

WString createTempDirectory(const WString& prefix, const WString& suffix, const WString& path,
                            const SECURITY_ATTRIBUTES* securityAttributes) {
    checkNameParts(prefix, suffix);
    DWORD lastError = ERROR_SUCCESS;
    const auto createNewDirectory = [securityAttributes, &lastError](const WString& candidate) {
        const bool created = createDir(candidate + L'\\', securityAttributes, nullptr);
        lastError = GetLastError();
        return created;
    };
    const WString created = createWithUniqueName(prefix, suffix, path, createNewDirectory, predictableDirAttempts);
    if (created.empty()) {
        THROW_SYS_ERROR_CODE("createTempDirectory(" << prefix << ", " << suffix << ", " << path << ") failed",
                             CreateDirectoryW, lastError);
    }
    return created;
}

void createDirectory(const WString& path, WStringList* createdDirs) {
    // Every level is attempted, the root included: an existing directory is no failure.
    const WString levels = stripTrailingSeparators(path) + L'\\';
    for (size_t end = levels.find_first_of(L"\\/"); end != WString::npos; end = levels.find_first_of(L"\\/", end + 1)) {
        const WString level = levels.substr(0, end + 1);
        if (!createDir(level, nullptr, createdDirs)) {
            const DWORD error = GetLastError();
            if (!isDirectory(level)) {
                THROW_SYS_ERROR_CODE("CreateDirectory(" << level << ") failed", CreateDirectoryW, error);
            }
        }
    }
}

bool isFileExists(const WString& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool isDirectory(const WString& path) { return isDirectoryAttributes(GetFileAttributesW(path.c_str())); }

bool isDirectoryNotEmpty(const WString& path) { return isDirectory(path) && !PathIsDirectoryEmptyW(path.c_str()); }

bool DirectoryCallback::onFile(const WString&) { return true; }

bool DirectoryCallback::onDirectory(const WString&) { return true; }

void iterateDirectory(const WString& dir, DirectoryCallback& callback) {
    WIN32_FIND_DATAW entry;
    const OwnedFindHandle find(FindFirstFileW(joinPath(dir, L"*").c_str(), &entry));
    if (!find) {
        if (GetLastError() == ERROR_FILE_NOT_FOUND) {
            return;
        }
        THROW_SYS_ERROR("FindFirstFile(" << dir << ") failed", FindFirstFileW);
    }
    do {
        const WString name = entry.cFileName;
        const WString full = joinPath(dir, name);
        if (isDirectoryAttributes(entry.dwFileAttributes)) {
            if (name != L"." && name != L".." && !callback.onDirectory(full)) {
                return;
            }
        } else if (!callback.onFile(full)) {
            return;
        }
    } while (FindNextFileW(find.get(), &entry));
    if (GetLastError() != ERROR_NO_MORE_FILES) {
        THROW_SYS_ERROR("FindNextFile(" << dir << ") failed", FindNextFileW);
    }
}

void copyFile(const WString& from, const WString& to, bool failIfExists) {
    createDirectory(dirname(to));
    if (!CopyFileW(from.c_str(), to.c_str(), failIfExists)) {
        THROW_SYS_ERROR("CopyFile(" << from << ", " << to << ", " << (failIfExists ? 1 : 0) << ") failed", CopyFileW);
    }
    LOG_TRACE("Copied [" << from << "] file to [" << to << "]");
}

void writeAll(HANDLE file, const WString& path, const void* data, size_t size) {
    constexpr size_t chunkSize = size_t{4} << 20;
    const auto* bytes = static_cast<const char*>(data);
    while (size > 0) {
        DWORD written = 0;
        if (!WriteFile(file, bytes, static_cast<DWORD>(std::min(size, chunkSize)), &written, nullptr) ||
            written == 0) {
            THROW_SYS_ERROR("Failed to write [" << path << "]", WriteFile);
        }
        bytes += written;
        size -= written;
        bytesWritten.fetch_add(written, std::memory_order_relaxed);
    }
}

uint64_t bytesWrittenSoFar() { return bytesWritten.load(std::memory_order_relaxed); }

bool isOnNetwork(const WString& path) {
    if (path.starts_with(L"\\\\")) {
        return true;
    }
    const bool hasDriveLetter = path.size() >= 2 && path[1] == L':';
    return hasDriveLetter && GetDriveTypeW((path.substr(0, 2) + L"\\").c_str()) == DRIVE_REMOTE;
}

void moveFile(const WString& from, const WString& to, bool failIfExists) {
    createDirectory(dirname(to));
    const DWORD flags = MOVEFILE_COPY_ALLOWED | (failIfExists ? 0 : MOVEFILE_REPLACE_EXISTING);
    moveFileImpl(from, to, flags);
}

// The temporary file lies beside the destination, so the final move is a rename within one
// volume: the destination holds either its old content or the complete new one.
StagedFileWriter::StagedFileWriter(const WString& dstPath)
    : tmpPath(createTempFile(L"qvd", L".tmp", dirname(dstPath))), dstPath(dstPath) {
    cleanup.addFile(tmpPath);
    file.reset(
        CreateFileW(tmpPath.c_str(), GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        THROW_SYS_ERROR("Failed to open [" << tmpPath << "]", CreateFileW);
    }
}

// Straight to the system, not through a stream: a full disk is then reported as
// such, where a stream only says that it failed.
StagedFileWriter& StagedFileWriter::write(const void* data, size_t size) {
    writeAll(file.get(), tmpPath, data, size);
    return *this;
}

void StagedFileWriter::finalize() {
    if (!CloseHandle(file.release())) {
        THROW_SYS_ERROR("Failed to close [" << tmpPath << "]", CloseHandle);
    }
    moveFile(tmpPath, dstPath, false);
    cleanup.cancel();
}

bool DirectoryIterator::onFile(const WString& path) {
    if (includeFiles) {
        items.push_back(path);
    }
    return true;
}

bool DirectoryIterator::onDirectory(const WString& path) {
    if (includeFolders) {
        items.push_back(path);
    }
    if (isRecursive) {
        DirectoryIterator(path)
            .recursive(isRecursive)
            .withFiles(includeFiles)
            .withFolders(includeFolders)
            .findItems(items);
    }
    return true;
}

DirectoryIterator& DirectoryIterator::findItems(WStringList& out) {
    if (!isDirectory(root)) {
        return *this;
    }
    iterateDirectory(root, *this);
    out.insert(out.end(), std::make_move_iterator(items.begin()), std::make_move_iterator(items.end()));
    items.clear();
    return *this;
}

WString createUniqueFile(const WString& path) {
    if (createNewFile(path)) {
        return path;
    }
    return createTempFile(withSuffix(basename(path), L""), suffix(path), dirname(path));
}

WString toAbsolutePath(const WString& path) {
    const auto freeBuffer = [](wchar_t* p) { std::free(p); };
    if (path.empty()) {
        std::unique_ptr<wchar_t, decltype(freeBuffer)> cwd(_wgetcwd(nullptr, 0), freeBuffer);
        if (!cwd) {
            THROW_RUNTIME_ERROR("_tgetcwd() failed");
        }
        if (*cwd == L'\0') {
            THROW_RUNTIME_ERROR("_tgetcwd() returned empty string");
        }
        return cwd.get();
    }
    std::unique_ptr<wchar_t, decltype(freeBuffer)> full(_wfullpath(nullptr, path.c_str(), 0), freeBuffer);
    if (!full) {
        THROW_RUNTIME_ERROR("_tfullpath(" << path << ") failed");
    }
    return full.get();
}

} // namespace FileUtils
