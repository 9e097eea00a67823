#pragma once

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "Bytes.h"
#include "FileRange.h"
#include "Pack.h"
#include "Platform.h"
#include "ResourceTable.h"
#include "StubImage.h"
#include "Text.h"

namespace packtest {

using pack::Bytes;

inline Bytes bytesOf(std::string_view text) {
    const auto bytes = pack::asBytes(text);
    return Bytes(bytes.begin(), bytes.end());
}

inline std::string textOf(const Bytes& bytes) { return std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size()); }

// A minimal launcher image of the stub's shape: headers, .text, .rsrc, .reloc.
// Tests change its fields to build images the reader must refuse.
struct StubFields {
    uint32_t ntHeaders = 0x40;  // where the DOS header says they are; they are at 0x40
    uint16_t sectionCount = 3;
    uint32_t sectionAlignment = 0x1000, fileAlignment = 0x200, headersSize = 0x400;
    uint32_t rsrcRawOffset = 0x600, rsrcRawSize = 0x200, rsrcVirtualAddress = 0x2000;
    uint32_t textRawOffset = 0x400;
    uint32_t signatureSize = 0;
};

inline Bytes stubImage(const StubFields& f = {}) {
    Bytes image(0xA00);
    pack::writeLe<uint16_t>(image, 0, 0x5A4D);
    pack::writeLe<uint32_t>(image, 0x3C, f.ntHeaders);
    const size_t nt = 0x40, optional = nt + 24, sections = optional + 240;
    pack::writeLe<uint32_t>(image, nt, 0x00004550);
    pack::writeLe<uint16_t>(image, nt + 4, 0x8664);
    pack::writeLe<uint16_t>(image, nt + 6, f.sectionCount);
    pack::writeLe<uint16_t>(image, nt + 20, 240);
    pack::writeLe<uint16_t>(image, optional, 0x20B);
    pack::writeLe<uint32_t>(image, optional + 8, 0x400);
    pack::writeLe<uint32_t>(image, optional + 32, f.sectionAlignment);
    pack::writeLe<uint32_t>(image, optional + 36, f.fileAlignment);
    pack::writeLe<uint32_t>(image, optional + 56, 0x4000);
    pack::writeLe<uint32_t>(image, optional + 60, f.headersSize);
    pack::writeLe<uint32_t>(image, optional + 108, 16);

    pack::ResourceTable own;
    own.add(pack::resourceType::manifest, uint16_t{1}, 0x409, bytesOf("<assembly/>"));
    const Bytes rsrc = own.layOut(f.rsrcVirtualAddress).head;
    std::copy(rsrc.begin(), rsrc.end(), image.begin() + 0x600);
    pack::writeLe<uint32_t>(image, optional + 112 + 2 * 8, f.rsrcVirtualAddress);
    pack::writeLe<uint32_t>(image, optional + 112 + 2 * 8 + 4, static_cast<uint32_t>(rsrc.size()));
    pack::writeLe<uint32_t>(image, optional + 112 + 4 * 8 + 4, f.signatureSize);
    pack::writeLe<uint32_t>(image, optional + 112 + 5 * 8, 0x3000);
    pack::writeLe<uint32_t>(image, optional + 112 + 5 * 8 + 4, 0x10);
    const struct {
        const char* name;
        uint32_t virtualSize, virtualAddress, rawSize, rawOffset;
    } headers[] = {
        {".text", 0x10, 0x1000, 0x200, f.textRawOffset},
        {".rsrc", static_cast<uint32_t>(rsrc.size()), f.rsrcVirtualAddress, f.rsrcRawSize, f.rsrcRawOffset},
        {".reloc", 0x10, 0x3000, 0x200, 0x800},
    };
    for (size_t i = 0; i < 3; ++i) {
        const size_t at = sections + i * 40;
        std::memcpy(image.data() + at, headers[i].name, std::strlen(headers[i].name));
        pack::writeLe<uint32_t>(image, at + 8, headers[i].virtualSize);
        pack::writeLe<uint32_t>(image, at + 12, headers[i].virtualAddress);
        pack::writeLe<uint32_t>(image, at + 16, headers[i].rawSize);
        pack::writeLe<uint32_t>(image, at + 20, headers[i].rawOffset);
    }
    std::fill(image.begin() + 0x800, image.begin() + 0x810, std::byte{0x5A});
    return image;
}

// A file in memory.
class MemoryFile : public pack::InputFile {
public:
    explicit MemoryFile(Bytes bytes) : bytes(std::move(bytes)) {}
    uint64_t size() const override { return bytes.size(); }
    void readAt(uint64_t offset, std::span<std::byte> buffer) override {
        std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(offset), buffer.size(), buffer.begin());
    }

private:
    Bytes bytes;
};

// Files in memory; a file given a size alone reads as zeros. A package is
// known by its path and, inside a setup program, by its bytes.
class FakePlatform : public pack::Platform {
public:
    struct File {
        Bytes bytes;
        uint64_t size = 0;
        bool operator==(const File&) const = default;
    };

    void addFile(const std::string& path, const Bytes& bytes) { files[path] = File{bytes, bytes.size()}; }
    void addSizedFile(const std::string& path, uint64_t size) { files[path] = File{{}, size}; }
    void addPackage(const std::string& path, const pack::PackageInfo& info, const Bytes& bytes) {
        addFile(path, bytes);
        packages[path] = info;
        packageBytes[textOf(bytes)] = info;
    }
    // Another name for a file, as a link gives it.
    void addLink(const std::string& path, const std::string& target) { links[path] = target; }

    pack::PackageInfo readPackage(const pack::FileRange& range, const std::string& path) override {
        if (const auto byPath = packages.find(resolved(path)); byPath != packages.end()) {
            return byPath->second;
        }
        const auto byBytes = packageBytes.find(textOf(range.read(0, range.size())));
        if (byBytes == packageBytes.end()) {
            throw pack::PackError(path + ": not an installer package");
        }
        return byBytes->second;
    }

    // Latin-1: enough for the tests' ASCII.
    std::u16string decodeText(uint32_t, std::string_view bytes) override {
        std::u16string text;
        for (const char c : bytes) {
            text += static_cast<char16_t>(static_cast<unsigned char>(c));
        }
        return text;
    }

    std::unique_ptr<pack::InputFile> openInput(const std::string& path) override {
        const auto found = files.find(resolved(path));
        if (found == files.end()) {
            throw pack::PackError(path + ": no such file");
        }
        return std::make_unique<Input>(found->second);
    }

    pack::FileStatus statusOf(const std::string& path) override {
        const std::string target = resolved(path);
        const auto file = files.find(target);
        if (file != files.end()) {
            return {pack::FileStatus::File, {1, static_cast<uint64_t>(std::distance(files.begin(), file))}};
        }
        if (folders.count(target) != 0) {
            return {pack::FileStatus::Folder, {2, 0}};
        }
        return {devices.count(target) != 0 ? pack::FileStatus::Other : pack::FileStatus::Missing, {}};
    }

    std::unique_ptr<pack::OutputFile> createOutput(const std::string& path) override {
        ++outputsCreated;
        return std::make_unique<Output>(*this, path);
    }

    void createFolder(const std::string& path) override { folders.insert(path); }
    void removeEmptyFolder(const std::string& path) override { folders.erase(path); }

    std::string folderOf(const std::string& path) override {
        const size_t slash = path.rfind('/');
        return slash == std::string::npos ? "." : path.substr(0, slash);
    }

    std::string join(const std::string& folder, const std::string& name) override { return folder + "/" + name; }
    std::string currentFolder() override { return "/work"; }

    std::map<std::string, File> files;
    std::map<std::string, pack::PackageInfo> packages;
    std::map<std::string, pack::PackageInfo> packageBytes;  // by the bytes, as text
    std::map<std::string, std::string> links;
    std::set<std::string> folders{"."};
    std::set<std::string> devices;
    int outputsCreated = 0;
    // Set: the output stops at its first write and keeps what it was given there.
    std::optional<Bytes> firstWrite;
    bool stopAtFirstWrite = false;

private:
    std::string resolved(const std::string& path) const {
        const auto link = links.find(path);
        return link == links.end() ? path : link->second;
    }

    class Input : public pack::InputFile {
    public:
        explicit Input(const File& file) : file(file) {}
        uint64_t size() const override { return file.size; }
        void readAt(uint64_t offset, std::span<std::byte> buffer) override {
            for (std::byte& b : buffer) {
                b = offset < file.bytes.size() ? file.bytes[offset] : std::byte{0};
                ++offset;
            }
        }

    private:
        const File& file;
    };

    class Output : public pack::OutputFile {
    public:
        Output(FakePlatform& platform, std::string path) : platform(platform), path(std::move(path)) {}
        void write(std::span<const std::byte> data) override {
            if (platform.stopAtFirstWrite) {
                platform.firstWrite = Bytes(data.begin(), data.end());
                throw pack::PackError("stopped at the first write");
            }
            bytes.insert(bytes.end(), data.begin(), data.end());
        }
        void overwrite(uint64_t offset, std::span<const std::byte> data) override {
            std::copy(data.begin(), data.end(), bytes.begin() + static_cast<std::ptrdiff_t>(offset));
        }
        void commit() override { platform.addFile(path, bytes); }

    private:
        FakePlatform& platform;
        std::string path;
        Bytes bytes;
    };
};

inline std::vector<std::string> arguments(std::initializer_list<const char*> args) { return {args.begin(), args.end()}; }

struct ToolRun {
    int exitCode;
    std::string out, err;
};

// The whole tool over the fake platform, with the fake stub.
inline ToolRun runPack(FakePlatform& platform, const std::vector<std::string>& args, const Bytes& stub = stubImage()) {
    std::ostringstream out, err;
    const int exitCode = pack::run(args, platform, stub, out, err);
    return ToolRun{exitCode, out.str(), err.str()};
}

inline constexpr char productCode[] = "{5B8E2C41-7D3F-4A96-8E10-3F6C2D9A7B54}";

// A Media row as a test writes it: its Cabinet as text.
struct Medium {
    int32_t diskId, lastSequence;
    std::u16string cabinet;
};

// The package's Media rows, each Cabinet held once as the reader holds it.
inline void setMedia(pack::PackageInfo& package, const std::vector<Medium>& media) {
    package.media.clear();
    package.cabinets.clear();
    for (const Medium& medium : media) {
        const auto known = std::find(package.cabinets.begin(), package.cabinets.end(), medium.cabinet);
        const auto index = static_cast<uint32_t>(known - package.cabinets.begin());
        if (known == package.cabinets.end()) {
            package.cabinets.push_back(medium.cabinet);
        }
        package.media.push_back(pack::MediaRow{medium.diskId, medium.lastSequence, index});
    }
}

inline pack::PackageInfo packageWith(const std::vector<Medium>& media, std::vector<int32_t> files = {1},
                                     std::u16string code = pack::toUtf16(productCode)) {
    pack::PackageInfo package{.productCode = std::move(code),
                              .productName = u"Tarnell",
                              .productVersion = u"1.2",
                              .manufacturer = u"Testers",
                              .upgradeCode = u"",
                              .allUsers = u"1",
                              .msiInstallPerUser = u"",
                              .packageCode = u"{0D5A0A61-58A7-4F32-9E7E-6B5C2A1F9D38}",
                              .summaryTemplate = u"x64;1033",
                              .media = {},
                              .cabinets = {},
                              .fileSequences = std::move(files)};
    setMedia(package, media);
    return package;
}

// The resources of a setup program as the fake stub's layout places them.
inline pack::ResourceTable::Types resourcesOf(const Bytes& file) {
    const uint32_t nt = pack::readLe<uint32_t>(file, 0x3C);
    const size_t rsrc = nt + 24 + 240 + 40;
    const pack::StubImage image(file);
    return pack::ResourceTable::parse(std::span(file).subspan(pack::readLe<uint32_t>(file, rsrc + 20),
                                                              pack::readLe<uint32_t>(file, rsrc + 8)),
                                      image.resourceSectionRva())
        .getTypes();
}

} // namespace packtest
