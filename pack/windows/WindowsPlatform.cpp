#include "WindowsPlatform.h"

#include <windows.h>

#include "ErrorHandling.h"
#include "UniqueResource.h"
#include "WinErrorHandling.h"
#include "WinFileUtils.h"
#include "WinSysInfo.h"
#include "tstrings.h"

namespace {

using pack::PackError;

std::string folderPart(const std::string& path) {
    const size_t separator = path.find_last_of("\\/");
    const bool hasDrive = path.size() >= 2 && path[1] == ':';
    if (separator == std::string::npos) {
        return hasDrive ? path.substr(0, 2) : ".";
    }
    // A root keeps its separator: "\", "C:\".
    const bool isRoot = separator == 0 || (hasDrive && separator == 2);
    return path.substr(0, isRoot ? separator + 1 : separator);
}

// The system's reason, without the error's source position.
std::string reason(const std::exception& e) {
    const auto* appError = dynamic_cast<const AppErrorBase*>(&e);
    return appError != nullptr ? appError->plainMessage() : e.what();
}

[[noreturn]] void fail(const std::string& path, const char* action, DWORD error) {
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
        throw PackError(path + ": no such file");
    }
    throw PackError(path + ": " + action + ": " + tstrings::toUtf8(describeSystemError(error)));
}

OwnedHandle openFile(const std::string& path, DWORD access, DWORD disposition, DWORD flags) {
    OwnedHandle handle(CreateFileW(tstrings::fromUtf8(path).c_str(), access, FILE_SHARE_READ, nullptr, disposition,
                                   flags, nullptr));
    if (!handle) {
        fail(path, "cannot open", GetLastError());
    }
    return handle;
}

// A folder would fail to open with "access denied"; say what it is, as on every system.
const std::string& checkedInput(const std::string& path) {
    const DWORD attributes = GetFileAttributesW(tstrings::fromUtf8(path).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        throw PackError(path + ": cannot open: it is a folder");
    }
    return path;
}

class WindowsInput : public pack::InputFile {
public:
    explicit WindowsInput(const std::string& path)
        : path(path), handle(openFile(checkedInput(path), GENERIC_READ, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN)) {
        LARGE_INTEGER size{};
        if (!GetFileSizeEx(handle.get(), &size)) {
            fail(path, "cannot read its size", GetLastError());
        }
        fileSize = static_cast<uint64_t>(size.QuadPart);
    }

    uint64_t size() const override { return fileSize; }

    void readAt(uint64_t offset, std::span<std::byte> buffer) override {
        OVERLAPPED position{};
        position.Offset = static_cast<DWORD>(offset);
        position.OffsetHigh = static_cast<DWORD>(offset >> 32);
        DWORD got = 0;
        if (!ReadFile(handle.get(), buffer.data(), static_cast<DWORD>(buffer.size()), &got, &position) &&
            GetLastError() != ERROR_HANDLE_EOF) {
            fail(path, "cannot read", GetLastError());
        }
        if (got != buffer.size()) {
            throw PackError(path + ": the file became shorter while it was read");
        }
    }

private:
    std::string path;
    OwnedHandle handle;
    uint64_t fileSize = 0;
};

// Written under a temporary name beside the destination, whose name it starts
// with so that a leftover of a killed run tells what it was.
class StagedOutput : public pack::OutputFile {
public:
    explicit StagedOutput(const std::string& path) : path(path), dstPath(tstrings::fromUtf8(path)) {
        const WString folder = FileUtils::dirname(FileUtils::toAbsolutePath(dstPath));
        if (!FileUtils::isDirectory(folder)) {
            throw PackError(path + ": cannot write: there is no folder " + folderPart(path));
        }
        try {
            tmpPath = FileUtils::createTempFile(FileUtils::basename(dstPath) + L".", L".tmp", folder);
        } catch (const std::runtime_error& e) {
            throw PackError(path + ": cannot write: " + reason(e));
        }
        cleanup.addFile(tmpPath);
        handle = openFile(tstrings::toUtf8(tmpPath), GENERIC_WRITE, TRUNCATE_EXISTING, FILE_ATTRIBUTE_NORMAL);
    }

    void write(std::span<const std::byte> bytes) override {
        writeAt(written, bytes);
        written += bytes.size();
    }

    void overwrite(uint64_t offset, std::span<const std::byte> bytes) override { writeAt(offset, bytes); }

    void commit() override {
        if (!CloseHandle(handle.release())) {
            fail(path, "cannot write", GetLastError());
        }
        try {
            FileUtils::moveFile(tmpPath, dstPath, false);
        } catch (const std::runtime_error& e) {
            throw PackError(path + ": cannot write: " + reason(e));
        }
        cleanup.cancel();
    }

private:
    void writeAt(uint64_t offset, std::span<const std::byte> bytes) {
        OVERLAPPED position{};
        position.Offset = static_cast<DWORD>(offset);
        position.OffsetHigh = static_cast<DWORD>(offset >> 32);
        DWORD put = 0;
        if (!WriteFile(handle.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &put, &position)) {
            fail(path, "cannot write", GetLastError());
        }
        if (put != bytes.size()) {
            throw PackError(path + ": cannot write: the disk took " + std::to_string(put) + " of " +
                            std::to_string(bytes.size()) + " bytes");
        }
    }

    std::string path;
    WString dstPath;
    WString tmpPath;
    // Declared before the handle, so that the file is closed before it is deleted.
    FileUtils::DeletionScope cleanup;
    OwnedHandle handle;
    uint64_t written = 0;
};

// A handle that reads nothing and lets everyone else do anything: only for asking what the path is.
OwnedHandle openForQuery(const WString& path) {
    return OwnedHandle(CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
}

} // namespace

std::u16string WindowsPlatform::decodeText(uint32_t codePage, std::string_view bytes) {
    if (bytes.empty()) {
        return {};
    }
    const int size = static_cast<int>(bytes.size());
    const int length = MultiByteToWideChar(codePage, 0, bytes.data(), size, nullptr, 0);
    if (length <= 0) {
        return std::u16string(bytes.size(), u'\uFFFD');
    }
    std::u16string text(static_cast<size_t>(length), u'\0');
    MultiByteToWideChar(codePage, 0, bytes.data(), size, reinterpret_cast<wchar_t*>(text.data()), length);
    return text;
}

std::unique_ptr<pack::InputFile> WindowsPlatform::openInput(const std::string& path) {
    return std::make_unique<WindowsInput>(path);
}

pack::FileStatus WindowsPlatform::statusOf(const std::string& path) {
    const OwnedHandle handle = openForQuery(tstrings::fromUtf8(path));
    if (!handle) {
        return pack::FileStatus{};
    }
    BY_HANDLE_FILE_INFORMATION information{};
    if (!GetFileInformationByHandle(handle.get(), &information)) {
        return pack::FileStatus{pack::FileStatus::Other, {}};
    }
    const pack::FileIdentity identity{information.dwVolumeSerialNumber,
                                      uint64_t{information.nFileIndexHigh} << 32 | information.nFileIndexLow};
    if ((information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return pack::FileStatus{pack::FileStatus::Folder, identity};
    }
    const bool isDisk = GetFileType(handle.get()) == FILE_TYPE_DISK;
    return pack::FileStatus{isDisk ? pack::FileStatus::File : pack::FileStatus::Other, identity};
}

std::unique_ptr<pack::OutputFile> WindowsPlatform::createOutput(const std::string& path) {
    return std::make_unique<StagedOutput>(path);
}

void WindowsPlatform::createFolder(const std::string& path) {
    if (CreateDirectoryW(tstrings::fromUtf8(path).c_str(), nullptr)) {
        return;
    }
    const DWORD error = GetLastError();
    if (error == ERROR_PATH_NOT_FOUND) {
        throw PackError(path + ": cannot create the folder: there is no folder " + folderPart(path));
    }
    fail(path, "cannot create the folder", error);
}

void WindowsPlatform::removeEmptyFolder(const std::string& path) { RemoveDirectoryW(tstrings::fromUtf8(path).c_str()); }

std::string WindowsPlatform::currentFolder() {
    try {
        return tstrings::toUtf8(SysInfo::getCurrentDirectory());
    } catch (const std::runtime_error&) {
        return ".";
    }
}

std::string WindowsPlatform::folderOf(const std::string& path) { return folderPart(path); }

std::string WindowsPlatform::join(const std::string& folder, const std::string& name) {
    const char last = folder.empty() ? '\\' : folder.back();
    if (last == '\\' || last == '/' || last == ':') {
        return folder + name;
    }
    // The separator the folder's path uses; '/' in a bare name, as the Linux program writes it, so that both print the same.
    const size_t separator = folder.find_last_of("\\/");
    return folder + (separator == std::string::npos ? '/' : folder[separator]) + name;
}
