#include "PackFiles.h"

#include "WinErrorHandling.h"

namespace {

OwnedHandle openFile(const WString& path, DWORD access, DWORD disposition, DWORD flags) {
    OwnedHandle handle(CreateFileW(path.c_str(), access, FILE_SHARE_READ, nullptr, disposition, flags, nullptr));
    if (!handle) {
        THROW_SYS_ERROR(path << ": cannot open", CreateFileW);
    }
    return handle;
}

// The temporary name starts with the destination's, so that a leftover of a
// killed run tells what it was.
WString createStagingFile(const WString& dstPath) {
    const WString folder = FileUtils::dirname(dstPath);
    if (!FileUtils::isDirectory(folder)) {
        THROW_RUNTIME_ERROR(dstPath << ": cannot write: there is no folder " << folder);
    }
    if (FileUtils::isDirectory(dstPath)) {
        THROW_RUNTIME_ERROR(dstPath << ": cannot write: it is a folder");
    }
    return FileUtils::createTempFile(FileUtils::basename(dstPath) + L".", L".tmp", folder);
}

} // namespace

InputFile::InputFile(const WString& path)
    : path(path), handle(openFile(path, GENERIC_READ, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN)) {
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(handle.get(), &size)) {
        THROW_SYS_ERROR(path << ": cannot read its size", GetFileSizeEx);
    }
    fileSize = static_cast<ULONGLONG>(size.QuadPart);
}

void InputFile::read(void* buffer, DWORD size) {
    DWORD got = 0;
    if (!ReadFile(handle.get(), buffer, size, &got, nullptr)) {
        THROW_SYS_ERROR(path << ": cannot read", ReadFile);
    }
    if (got != size) {
        THROW_RUNTIME_ERROR(path << ": the file became shorter while it was read");
    }
}

StagedFile::StagedFile(const WString& dstPath) : dstPath(dstPath), tmpPath(createStagingFile(dstPath)) {
    cleanup.addFile(tmpPath);
    handle = openFile(tmpPath, GENERIC_WRITE, TRUNCATE_EXISTING, FILE_ATTRIBUTE_NORMAL);
}

void StagedFile::write(const void* data, DWORD size) {
    writeAt(written, data, size);
    written += size;
}

void StagedFile::overwrite(ULONGLONG offset, const void* data, DWORD size) { writeAt(offset, data, size); }

void StagedFile::writeAt(ULONGLONG offset, const void* data, DWORD size) {
    OVERLAPPED position{};
    position.Offset = static_cast<DWORD>(offset);
    position.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD put = 0;
    if (!WriteFile(handle.get(), data, size, &put, &position)) {
        THROW_SYS_ERROR(tmpPath << ": cannot write", WriteFile);
    }
    if (put != size) {
        THROW_RUNTIME_ERROR(tmpPath << ": cannot write: the disk took " << put << " of " << size << " bytes");
    }
}

void StagedFile::commit() {
    if (!CloseHandle(handle.release())) {
        THROW_SYS_ERROR(tmpPath << ": cannot close", CloseHandle);
    }
    FileUtils::moveFile(tmpPath, dstPath, false);
    cleanup.cancel();
}
