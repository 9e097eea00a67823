#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

// What the packer needs from the system it runs on. Paths are UTF-8, exactly as
// the user gave them: the core prints them back unchanged.
namespace pack {

// A refusal or failure, told as one line of UTF-8 that names the file it concerns.
class PackError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A command line the tool does not understand; the text says why.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct MediaRow {
    int32_t diskId = 0;
    int32_t lastSequence = 0;
    uint32_t cabinet = 0;  // its Cabinet: an index into PackageInfo::cabinets
};

// The values as the package holds them; the core checks every one. A null
// integer reads as nullInteger, a null text as "".
struct PackageInfo {
    // From the Property table; empty when absent.
    std::u16string productCode, productName, productVersion, manufacturer, upgradeCode;
    std::u16string allUsers, msiInstallPerUser;
    // From the summary information: the revision number (the package code) and the template.
    std::u16string packageCode, summaryTemplate;
    std::vector<MediaRow> media;           // every Media row
    // The Cabinets of the Media rows, each once however many rows name it:
    // "#name": embedded; "": none; else a file beside the package.
    std::vector<std::u16string> cabinets;
    std::vector<int32_t> fileSequences;    // File.Sequence of every File row

    const std::u16string& cabinetOf(const MediaRow& row) const { return cabinets[row.cabinet]; }
};

inline constexpr int32_t nullInteger = INT32_MIN;

class InputFile {
public:
    virtual ~InputFile() = default;
    virtual uint64_t size() const = 0;
    // Exactly buffer.size() bytes from offset, or a PackError.
    virtual void readAt(uint64_t offset, std::span<std::byte> buffer) = 0;
};

// Written beside its destination and moved over it by commit() alone: destroyed
// uncommitted, it leaves the destination as it was and nothing else behind.
class OutputFile {
public:
    virtual ~OutputFile() = default;
    virtual void write(std::span<const std::byte> bytes) = 0;
    // Writes over bytes written before; the next write() goes on at the end.
    virtual void overwrite(uint64_t offset, std::span<const std::byte> bytes) = 0;
    virtual void commit() = 0;
};

// Which file a path leads to, through every link: two paths with the same
// identity name one file.
struct FileIdentity {
    uint64_t volume = 0;
    uint64_t index = 0;
    bool operator==(const FileIdentity&) const = default;
};

struct FileStatus {
    enum Kind { Missing, File, Folder, Other };  // Other: a device, a pipe, a socket
    Kind kind = Missing;
    FileIdentity identity;  // of an existing path
};

class FileRange;

// Every operation throws PackError with a line that names the path. A missing
// file reads "<path>: no such file" on every system.
class Platform {
public:
    virtual ~Platform() = default;
    // The package's values, read by the core's own reader (PackageReader.h);
    // path names it in messages.
    virtual PackageInfo readPackage(const FileRange& package, const std::string& path);
    // Text of a package in one of its code pages (see CodePages.h), never
    // failing: what the code page cannot decode becomes U+FFFD.
    virtual std::u16string decodeText(uint32_t codePage, std::string_view bytes) = 0;
    virtual std::unique_ptr<InputFile> openInput(const std::string& path) = 0;
    virtual FileStatus statusOf(const std::string& path) = 0;
    virtual std::unique_ptr<OutputFile> createOutput(const std::string& path) = 0;
    // A new folder in an existing one.
    virtual void createFolder(const std::string& path) = 0;
    // Removes a folder this program made, when it is empty; never fails.
    virtual void removeEmptyFolder(const std::string& path) = 0;
    // "." for a bare file name.
    virtual std::string folderOf(const std::string& path) = 0;
    // The path of the current folder, to name it in messages; "." when it has none.
    virtual std::string currentFolder() = 0;
    virtual std::string join(const std::string& folder, const std::string& name) = 0;
};

} // namespace pack
