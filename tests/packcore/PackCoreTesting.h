#pragma once

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Bytes.h"
#include "Platform.h"
#include "ResourceTable.h"

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

// Files in memory; a file given a size alone reads as zeros.
class FakePlatform : public pack::Platform {
public:
    struct File {
        Bytes bytes;
        uint64_t size = 0;
    };

    void addFile(const std::string& path, const Bytes& bytes) { files[path] = File{bytes, bytes.size()}; }
    void addSizedFile(const std::string& path, uint64_t size) { files[path] = File{{}, size}; }
    void addPackage(const std::string& path, const pack::PackageInfo& info, const Bytes& bytes) {
        addFile(path, bytes);
        packages[path] = info;
    }

    pack::PackageInfo readPackage(const std::string& path) override {
        const auto found = packages.find(path);
        if (found == packages.end()) {
            throw pack::PackError(path + ": not an installer package");
        }
        return found->second;
    }

    std::unique_ptr<pack::InputFile> openInput(const std::string& path) override {
        const auto found = files.find(path);
        if (found == files.end()) {
            throw pack::PackError(path + ": no such file");
        }
        return std::make_unique<Input>(found->second);
    }

    bool isFile(const std::string& path) override { return files.count(path) != 0; }

    std::unique_ptr<pack::OutputFile> createOutput(const std::string& path) override {
        ++outputsCreated;
        return std::make_unique<Output>(*this, path);
    }

    std::string folderOf(const std::string& path) override {
        const size_t slash = path.rfind('/');
        return slash == std::string::npos ? "." : path.substr(0, slash);
    }

    std::string join(const std::string& folder, const std::string& name) override { return folder + "/" + name; }

    std::map<std::string, File> files;
    std::map<std::string, pack::PackageInfo> packages;
    int outputsCreated = 0;
    // Set: the output stops at its first write and keeps what it was given there.
    std::optional<Bytes> firstWrite;
    bool stopAtFirstWrite = false;

private:
    class Input : public pack::InputFile {
    public:
        explicit Input(const File& file) : file(file) {}
        uint64_t size() const override { return file.size; }
        void read(std::span<std::byte> buffer) override {
            for (std::byte& b : buffer) {
                b = position < file.bytes.size() ? file.bytes[position] : std::byte{0};
                ++position;
            }
        }

    private:
        const File& file;
        size_t position = 0;
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

} // namespace packtest
