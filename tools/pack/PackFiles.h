#pragma once

#include <windows.h>

#include "UniqueResource.h"
#include "WinFileUtils.h"
#include "tstrings.h"

// A file read front to back.
class InputFile {
public:
    explicit InputFile(const WString& path);

    ULONGLONG size() const { return fileSize; }
    // Exactly size bytes, or an error.
    void read(void* buffer, DWORD size);

private:
    WString path;
    OwnedHandle handle;
    ULONGLONG fileSize = 0;
};

// A new file written beside its destination under a temporary name and moved
// over it by commit() alone: whatever fails before, the destination stays as
// it was and the temporary file goes.
class StagedFile {
public:
    explicit StagedFile(const WString& dstPath);

    void write(const void* data, DWORD size);
    // Writes over bytes written before; the next write() goes on at the end.
    void overwrite(ULONGLONG offset, const void* data, DWORD size);
    void commit();

private:
    void writeAt(ULONGLONG offset, const void* data, DWORD size);

    WString dstPath;
    WString tmpPath;
    // Declared before the handle, so that the file is closed before it is deleted.
    FileUtils::DeletionScope cleanup;
    OwnedHandle handle;
    ULONGLONG written = 0;
};
