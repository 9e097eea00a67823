#include "WinFileUtils.h"

#include <algorithm>
#include <memory>

#include "ErrorHandling.h"
#include "Log.h"
#include "WinErrorHandling.h"

// Deleting files and directory trees, and the scope that deletes when it ends.
namespace FileUtils {

namespace {

bool isGoneError(DWORD error) { return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND; }

bool deleteFileImpl(const WString& path) {
    if (!DeleteFileW(path.c_str())) {
        return isGoneError(GetLastError());
    }
    LOG_TRACE("Deleted [" << path << "] file");
    return true;
}

// A junction or a symbolic link to a directory: removing it must not touch what it points to.
bool isDirectoryLink(const WString& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    const DWORD link = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT;
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & link) == link;
}

class DeleteFilesCallback : public DirectoryCallback {
public:
    explicit DeleteFilesCallback(bool mayThrow) : mayThrow(mayThrow) {}

    bool onFile(const WString& path) override {
        if (mayThrow) {
            deleteFile(path);
        } else if (!deleteFile(path, std::nothrow)) {
            failed = true;
        }
        return true;
    }

    bool good() const { return !failed; }

protected:
    bool mayThrow;
    bool failed = false;
};

class DeleteAllCallback : public DeleteFilesCallback {
public:
    using DeleteFilesCallback::DeleteFilesCallback;

    bool onDirectory(const WString& path) override {
        if (mayThrow) {
            deleteDirectoryRecursive(path);
        } else if (!deleteDirectoryRecursive(path, std::nothrow)) {
            failed = true;
        }
        return true;
    }
};

class BatchDeleter {
public:
    explicit BatchDeleter(const WString& path) : path(path) {}

    BatchDeleter& recursive(bool v) {
        isRecursive = v;
        return *this;
    }

    void execute() {
        if (!isFileExists(path)) {
            return;
        }
        if (walksTree()) {
            run(true);
        }
        if (isRecursive) {
            deleteDirectory(path);
        }
    }

    bool execute(const std::nothrow_t&) {
        try {
            if (!isFileExists(path)) {
                return true;
            }
            if (!isDirectory(path)) {
                return false;
            }
            if (walksTree() && !run(false)) {
                return false;
            }
            return !isRecursive || deleteDirectory(path, std::nothrow);
        }
        CATCH_AND_REPORT
        return false;
    }

private:
    // A recursive deletion removes a directory link itself, never the tree behind it.
    bool walksTree() const { return !isRecursive || !isDirectoryLink(path); }

    bool run(bool mayThrow) {
        const std::unique_ptr<DeleteFilesCallback> callback = isRecursive
                                                                  ? std::make_unique<DeleteAllCallback>(mayThrow)
                                                                  : std::make_unique<DeleteFilesCallback>(mayThrow);
        iterateDirectory(path, *callback);
        return callback->good();
    }

    WString path;
    bool isRecursive = false;
};

} // namespace

bool deleteFile(const WString& path, const std::nothrow_t&) {
    bool ok = deleteFileImpl(path);
    const DWORD error = GetLastError();
    if (!ok && error == ERROR_ACCESS_DENIED) {
        const DWORD attributes = GetFileAttributesW(path.c_str());
        SetLastError(error);
        if (attributes == INVALID_FILE_ATTRIBUTES) {
            return false;
        }
        if (attributes & FILE_ATTRIBUTE_READONLY) {
            if (SetFileAttributesW(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY)) {
                LOG_TRACE("Discarded R/O attribute from [" << path << "] file");
                ok = deleteFileImpl(path);
            } else {
                const DWORD setError = GetLastError();
                if (Logger::global().accepts(Logger::Warning)) {
                    const SysError warning(tstrings::MessageBuilder()
                                               << "Failed to discard R/O attribute from [" << path
                                               << "] file. File will not be deleted",
                                           functionAddress(SetFileAttributesW), setError);
                    LOG_WARNING(tstrings::fromUtf8(warning.what()));
                }
                SetLastError(error);
            }
        }
    }
    return ok || isGoneError(GetLastError());
}

bool deleteFile(const WString& path) {
    if (!deleteFile(path, std::nothrow)) {
        THROW_SYS_ERROR("DeleteFile(" << path << ") failed", DeleteFileW);
    }
    return true;
}

bool deleteDirectory(const WString& path, const std::nothrow_t&) {
    if (!RemoveDirectoryW(path.c_str())) {
        return isGoneError(GetLastError());
    }
    LOG_TRACE("Deleted [" << path << "] directory");
    return true;
}

bool deleteDirectory(const WString& path) {
    if (!deleteDirectory(path, std::nothrow)) {
        THROW_SYS_ERROR("RemoveDirectory(" << path << ") failed", RemoveDirectoryW);
    }
    return true;
}

void deleteFiles(const WString& dir) { BatchDeleter(dir).execute(); }

bool deleteFiles(const WString& dir, const std::nothrow_t&) { return BatchDeleter(dir).execute(std::nothrow); }

void deleteDirectoryRecursive(const WString& dir) { BatchDeleter(dir).recursive(true).execute(); }

bool deleteDirectoryRecursive(const WString& dir, const std::nothrow_t&) {
    return BatchDeleter(dir).recursive(true).execute(std::nothrow);
}

DeletionScope::~DeletionScope() {
    try {
        execute();
    }
    CATCH_AND_REPORT
}

DeletionScope& DeletionScope::add(const WString& path, int kind) {
    entries.emplace_back(path, kind);
    return *this;
}

DeletionScope& DeletionScope::addFile(const WString& path) { return add(path, File); }

DeletionScope& DeletionScope::addFilesInDirectory(const WString& path) { return add(path, FilesInDirectory); }

DeletionScope& DeletionScope::addDirectoryTree(const WString& path) { return add(path, DirectoryTree); }

DeletionScope& DeletionScope::addEmptyDirectory(const WString& path) { return add(path, EmptyDirectory); }

DeletionScope& DeletionScope::addEmptyDirectories(const WString& parent, const WString& subdir) {
    const auto normalize = [](const WString& path) { return foldPath(stripTrailingSeparators(path)); };
    const WString stop = normalize(parent);
    // Deepest first, so that each directory is removed before its parent. A subdir that does not
    // lead back to parent ends the walk once the path is no longer below parent's length.
    WString current = normalize(joinPath(parent, subdir));
    while (current != stop && current.size() > stop.size()) {
        addEmptyDirectory(current);
        WString up = dirname(current);
        if (up.size() >= current.size()) {
            break;
        }
        current = std::move(up);
    }
    return *this;
}

void DeletionScope::cancel() { entries.clear(); }

void DeletionScope::execute() {
    auto pending = std::exchange(entries, {});
    // Files go before the directories holding them, trees before the empty directories above them.
    std::stable_sort(pending.begin(), pending.end(),
                     [](const auto& a, const auto& b) { return a.second < b.second; });
    for (const auto& [path, kind] : pending) {
        switch (kind) {
        case File: deleteFile(path, std::nothrow); break;
        case FilesInDirectory: deleteFiles(path, std::nothrow); break;
        case DirectoryTree: deleteDirectoryRecursive(path, std::nothrow); break;
        case EmptyDirectory: deleteDirectory(path, std::nothrow); break;
        default: break;
        }
    }
}

} // namespace FileUtils
