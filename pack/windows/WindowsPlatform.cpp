#include "WindowsPlatform.h"

#include <windows.h>

#include "ErrorHandling.h"
#include "MsiDb.h"
#include "UniqueResource.h"
#include "WinErrorHandling.h"
#include "WinFileUtils.h"
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

std::u16string toU16(const WString& text) { return std::u16string(text.begin(), text.end()); }

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
        throw PackError(path + ": cannot open: not a file");
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

    void read(std::span<std::byte> buffer) override {
        DWORD got = 0;
        if (!ReadFile(handle.get(), buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr)) {
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
        if (FileUtils::isDirectory(dstPath)) {
            throw PackError(path + ": cannot write: it is a folder");
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

bool hasTable(const msi::Database& package, const WString& table) {
    msi::DatabaseRecord name(1);
    name.setString(1, table);
    return !msi::DatabaseView(package, L"SELECT `Name` FROM `_Tables` WHERE `Name` = ?", name).tryFetch().empty();
}

// Every row of the query on table; none when the package lacks the table.
template <class Row>
void forEachRow(const msi::Database& package, const WString& table, const WString& query, Row&& row) {
    if (!hasTable(package, table)) {
        return;
    }
    msi::DatabaseView view(package, query);
    for (msi::DatabaseRecord record = view.tryFetch(); !record.empty(); record = view.tryFetch()) {
        row(record);
    }
}

std::vector<pack::MediaRow> mediaRows(const msi::Database& package) {
    std::vector<pack::MediaRow> rows;
    forEachRow(package, L"Media", L"SELECT `DiskId`, `LastSequence`, `Cabinet` FROM `Media`",
               [&rows](const msi::DatabaseRecord& row) {
                   rows.push_back(pack::MediaRow{row.getInteger(1), row.getInteger(2), toU16(row.getString(3))});
               });
    return rows;
}

std::vector<int32_t> fileSequences(const msi::Database& package) {
    std::vector<int32_t> sequences;
    forEachRow(package, L"File", L"SELECT `Sequence` FROM `File`",
               [&sequences](const msi::DatabaseRecord& row) { sequences.push_back(row.getInteger(1)); });
    return sequences;
}

WString productCodeOf(const msi::Database& package) {
    try {
        return package.getProperty(L"ProductCode");
    } catch (const msi::NoMoreItemsError&) {
        return L"";
    }
}

} // namespace

pack::PackageInfo WindowsPlatform::readPackage(const std::string& path) {
    try {
        const msi::Database package(tstrings::fromUtf8(path));
        // Every package has a Property table; a database without one is not a package.
        if (!hasTable(package, L"Property")) {
            throw PackError(path + ": not an installer package");
        }
        const auto property = [&package](const wchar_t* name) { return toU16(package.getProperty(std::nothrow, name)); };
        pack::PackageInfo info;
        info.productCode = toU16(productCodeOf(package));
        info.productName = property(L"ProductName");
        info.productVersion = property(L"ProductVersion");
        info.manufacturer = property(L"Manufacturer");
        info.upgradeCode = property(L"UpgradeCode");
        info.allUsers = property(L"ALLUSERS");
        info.msiInstallPerUser = property(L"MSIINSTALLPERUSER");
        info.media = mediaRows(package);
        info.fileSequences = fileSequences(package);
        return info;
    } catch (const msi::Error&) {
        throw PackError(path + ": not an installer package");
    }
}

std::unique_ptr<pack::InputFile> WindowsPlatform::openInput(const std::string& path) {
    return std::make_unique<WindowsInput>(path);
}

bool WindowsPlatform::isFile(const std::string& path) {
    const DWORD attributes = GetFileAttributesW(tstrings::fromUtf8(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::unique_ptr<pack::OutputFile> WindowsPlatform::createOutput(const std::string& path) {
    return std::make_unique<StagedOutput>(path);
}

std::string WindowsPlatform::folderOf(const std::string& path) { return folderPart(path); }

std::string WindowsPlatform::join(const std::string& folder, const std::string& name) {
    const char last = folder.empty() ? '\\' : folder.back();
    return last == '\\' || last == '/' || last == ':' ? folder + name : folder + "\\" + name;
}
