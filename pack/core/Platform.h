#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>
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
    std::u16string cabinet;  // "#name": embedded; "": none; else a file beside the package
};

// The values as the package holds them; the core checks every one.
struct PackageInfo {
    // From the Property table; empty when absent.
    std::u16string productCode, productName, productVersion, manufacturer, upgradeCode;
    std::u16string allUsers, msiInstallPerUser;
    // From the summary information: the revision number (the package code) and the template.
    std::u16string packageCode, summaryTemplate;
    std::vector<MediaRow> media;           // every Media row
    std::vector<int32_t> fileSequences;    // File.Sequence of every File row
};

class InputFile {
public:
    virtual ~InputFile() = default;
    virtual uint64_t size() const = 0;
    // Exactly buffer.size() bytes from where the last read ended, or a PackError.
    virtual void read(std::span<std::byte> buffer) = 0;
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

// Every operation throws PackError with a line that names the path. A missing
// file reads "<path>: no such file" on every system.
class Platform {
public:
    virtual ~Platform() = default;
    // "<path>: not an installer package" for a file that is not one.
    virtual PackageInfo readPackage(const std::string& path) = 0;
    virtual std::unique_ptr<InputFile> openInput(const std::string& path) = 0;
    // An existing file that is not a folder.
    virtual bool isFile(const std::string& path) = 0;
    virtual std::unique_ptr<OutputFile> createOutput(const std::string& path) = 0;
    // "." for a bare file name.
    virtual std::string folderOf(const std::string& path) = 0;
    virtual std::string join(const std::string& folder, const std::string& name) = 0;
};

} // namespace pack
