#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <new>
#include <utility>
#include <vector>

#include "FileUtils.h"
#include "UniqueResource.h"

namespace FileUtils {

// Tries prefix + number + suffix, numbers from the tick count on for the first
// predictableAttempts, random ones after that, so that names taken in advance
// by someone else cannot use up the attempts. createNew must fail on a name
// that anything (file or directory) already has, so the name returned is one
// this process created; the empty text when every attempt failed.
WString createUniquelyNamed(const WString& prefix, const WString& suffix,
                            const std::function<bool(const WString& name)>& createNew, int predictableAttempts);

WString createTempFile(const WString& prefix, const WString& suffix, const WString& path);
// Never hands out a name that anything, a directory included, already has.
WString createTempDirectory(const WString& prefix, const WString& suffix, const WString& path,
                            const SECURITY_ATTRIBUTES* securityAttributes = nullptr);
void createDirectory(const WString& path, WStringList* createdDirs = nullptr);

bool isFileExists(const WString& path);
bool isDirectory(const WString& path);
bool isDirectoryNotEmpty(const WString& path);

bool deleteFile(const WString& path);
bool deleteFile(const WString& path, const std::nothrow_t&);
bool deleteDirectory(const WString& path);
bool deleteDirectory(const WString& path, const std::nothrow_t&);
void deleteFiles(const WString& dir);
bool deleteFiles(const WString& dir, const std::nothrow_t&);
void deleteDirectoryRecursive(const WString& dir);
bool deleteDirectoryRecursive(const WString& dir, const std::nothrow_t&);

class DirectoryCallback {
public:
    virtual ~DirectoryCallback() = default;
    virtual bool onFile(const WString& path);
    virtual bool onDirectory(const WString& path);
};

void iterateDirectory(const WString& dir, DirectoryCallback& callback);

// Paths deleted when the scope ends.
class DeletionScope {
public:
    DeletionScope() = default;
    ~DeletionScope();
    DeletionScope(const DeletionScope&) = delete;
    DeletionScope& operator=(const DeletionScope&) = delete;

    DeletionScope& addFile(const WString& path);
    DeletionScope& addFilesInDirectory(const WString& path);
    DeletionScope& addDirectoryTree(const WString& path);
    DeletionScope& addEmptyDirectory(const WString& path);
    DeletionScope& addEmptyDirectories(const WString& parent, const WString& subdir);

    void cancel();
    void execute();

private:
    enum Kind { File = 0, FilesInDirectory = 1, DirectoryTree = 2, EmptyDirectory = 3 };
    DeletionScope& add(const WString& path, int kind);

    std::vector<std::pair<WString, int>> entries;
};

// Writes all size bytes at the file's position, in pieces small enough that no
// layer (Wine's least of all) copies a huge block at once; path names the file
// in the error.
void writeAll(HANDLE file, const WString& path, const void* data, size_t size);
// Every byte writeAll has written in this process so far: a progress display
// reads it without a path through each writer.
uint64_t bytesWrittenSoFar();

// The path is on another machine: a UNC path, or a drive letter the system
// reports as a network drive (which a process of another logon may not see).
bool isOnNetwork(const WString& path);

void copyFile(const WString& from, const WString& to, bool failIfExists);
void moveFile(const WString& from, const WString& to, bool failIfExists);

// Writes a file beside its destination and moves it into place only when complete.
class StagedFileWriter {
public:
    explicit StagedFileWriter(const WString& dstPath);
    StagedFileWriter(const StagedFileWriter&) = delete;
    StagedFileWriter& operator=(const StagedFileWriter&) = delete;

    StagedFileWriter& write(const void* data, size_t size);
    void finalize();

private:
    WString tmpPath;
    DeletionScope cleanup;
    OwnedHandle file;
    WString dstPath;
};

class DirectoryIterator : public DirectoryCallback {
public:
    explicit DirectoryIterator(const WString& root) : root(root) {}

    DirectoryIterator& recursive(bool v) {
        isRecursive = v;
        return *this;
    }
    DirectoryIterator& withFiles(bool v) {
        includeFiles = v;
        return *this;
    }
    DirectoryIterator& withFolders(bool v) {
        includeFolders = v;
        return *this;
    }

    DirectoryIterator& findItems(WStringList& out);

    bool onFile(const WString& path) override;
    bool onDirectory(const WString& path) override;

private:
    bool isRecursive = true;
    bool includeFiles = true;
    bool includeFolders = true;
    WString root;
    WStringList items;
};

WString createUniqueFile(const WString& path);

} // namespace FileUtils
