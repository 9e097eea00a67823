#include "PosixFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

namespace pack {
namespace {

[[noreturn]] void fail(const std::string& path, const char* what, int error) {
    // The same line on every system for the failure a user meets most.
    if (error == ENOENT) {
        throw PackError(path + ": no such file");
    }
    throw PackError(path + ": " + what + ": " + std::strerror(error));
}

bool isDirectory(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

class Fd {
public:
    explicit Fd(int fd = -1) : fd(fd) {}
    ~Fd() {
        if (fd >= 0) {
            ::close(fd);
        }
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;

    int get() const { return fd; }
    int release() { return std::exchange(fd, -1); }

private:
    int fd;
};

class PosixInput : public InputFile {
public:
    explicit PosixInput(const std::string& path) : path(path), fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC)) {
        struct stat info {};
        if (fd.get() < 0) {
            fail(path, "cannot open", errno);
        }
        if (::fstat(fd.get(), &info) != 0) {
            fail(path, "cannot read its size", errno);
        }
        if (!S_ISREG(info.st_mode)) {
            throw PackError(path + ": cannot open: " + (S_ISDIR(info.st_mode) ? "it is a folder" : "it is not a regular file"));
        }
        fileSize = static_cast<uint64_t>(info.st_size);
        ::posix_fadvise(fd.get(), 0, 0, POSIX_FADV_SEQUENTIAL);
    }

    uint64_t size() const override { return fileSize; }

    void readAt(uint64_t offset, std::span<std::byte> buffer) override {
        while (!buffer.empty()) {
            const ssize_t got = ::pread(fd.get(), buffer.data(), buffer.size(), static_cast<off_t>(offset));
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got < 0) {
                fail(path, "cannot read", errno);
            }
            if (got == 0) {
                throw PackError(path + ": the file became shorter while it was read");
            }
            buffer = buffer.subspan(static_cast<size_t>(got));
            offset += static_cast<uint64_t>(got);
        }
    }

private:
    std::string path;
    Fd fd;
    uint64_t fileSize = 0;
};

// Written under a temporary name beside the destination and renamed over it by
// commit() alone, so that a failure leaves the destination as it was.
class PosixOutput : public OutputFile {
public:
    explicit PosixOutput(const std::string& destination)
        : destination(checkedDestination(destination)), staging(destination + ".XXXXXX"),
          fd(::mkostemp(staging.data(), O_CLOEXEC)) {
        if (fd.get() < 0) {
            fail(destination, "cannot write", errno);
        }
        // mkostemp makes the file private; a setup program is an ordinary file.
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(fd.get(), 0666 & ~mask);
    }

    ~PosixOutput() override {
        if (!committed) {
            ::unlink(staging.c_str());
        }
    }

    void write(std::span<const std::byte> data) override {
        writeAt(written, data);
        written += data.size();
    }

    void overwrite(uint64_t offset, std::span<const std::byte> data) override { writeAt(offset, data); }

    void commit() override {
        if (::close(fd.release()) != 0) {
            fail(destination, "cannot write", errno);
        }
        if (::rename(staging.c_str(), destination.c_str()) != 0) {
            fail(destination, "cannot write", errno);
        }
        committed = true;
    }

private:
    static const std::string& checkedDestination(const std::string& path) {
        const std::string folder = posixFolderOf(path);
        if (!isDirectory(folder)) {
            throw PackError(path + ": cannot write: there is no folder " + folder);
        }
        return path;
    }

    void writeAt(uint64_t offset, std::span<const std::byte> data) {
        while (!data.empty()) {
            const ssize_t put = ::pwrite(fd.get(), data.data(), data.size(), static_cast<off_t>(offset));
            if (put < 0 && errno == EINTR) {
                continue;
            }
            if (put <= 0) {
                fail(destination, "cannot write", put < 0 ? errno : ENOSPC);
            }
            data = data.subspan(static_cast<size_t>(put));
            offset += static_cast<uint64_t>(put);
        }
    }

    std::string destination;
    std::string staging;
    Fd fd;
    uint64_t written = 0;
    bool committed = false;
};

} // namespace

std::unique_ptr<InputFile> openPosixInput(const std::string& path) { return std::make_unique<PosixInput>(path); }

std::unique_ptr<OutputFile> createPosixOutput(const std::string& path) { return std::make_unique<PosixOutput>(path); }

std::string posixFolderOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

FileStatus posixStatusOf(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        return FileStatus{};
    }
    const FileStatus::Kind kind = S_ISREG(info.st_mode)   ? FileStatus::File
                                  : S_ISDIR(info.st_mode) ? FileStatus::Folder
                                                          : FileStatus::Other;
    return FileStatus{kind, FileIdentity{static_cast<uint64_t>(info.st_dev), static_cast<uint64_t>(info.st_ino)}};
}

void createPosixFolder(const std::string& path) {
    if (::mkdir(path.c_str(), 0777) == 0) {
        return;
    }
    if (errno == ENOENT) {
        throw PackError(path + ": cannot create the folder: there is no folder " + posixFolderOf(path));
    }
    fail(path, "cannot create the folder", errno);
}

void removeEmptyPosixFolder(const std::string& path) { ::rmdir(path.c_str()); }

std::string posixCurrentFolder() {
    std::string path(256, '\0');
    while (::getcwd(path.data(), path.size()) == nullptr) {
        if (errno != ERANGE) {
            return ".";
        }
        path.resize(path.size() * 2);
    }
    return path.c_str();
}

} // namespace pack
