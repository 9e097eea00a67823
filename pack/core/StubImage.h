#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "FileRange.h"
#include "Platform.h"
#include "ResourceTable.h"

namespace pack {

// The launcher without package resources, as the tool carries it: a 64-bit
// image whose last sections are .rsrc and .reloc, in this order, with nothing
// after them. The resource section can then grow in place: of what follows,
// only the relocations move, and only the header refers to them. Every offset
// is checked against the bytes, so a stub read from disk cannot lead it astray.
class StubImage {
public:
    // Throws PackError for anything else; bytes must outlive the object.
    explicit StubImage(std::span<const std::byte> bytes);

    ResourceTable resources() const;
    uint32_t resourceSectionRva() const { return resource().virtualAddress; }

    // SizeOfImage of the image whose resource section holds sectionSize bytes.
    uint64_t imageSizeFor(uint64_t sectionSize) const;

    // The bytes of the last streamed resource, made once the streams before it
    // are written, from the XXH3 of each one's bytes as they were written.
    using Trailer = std::function<Bytes(std::span<const uint64_t> xxh3)>;

    // Writes the stub with its resource section replaced by layout, whose
    // streamed bytes are read from streams in order (and, with a trailer, end
    // with its bytes), and the checksum of the new file in its header. The
    // image must be below maxImageSize.
    void write(const ResourceTable::Layout& layout, std::span<const FileRange> streams, OutputFile& out,
               const Trailer& trailer = {}) const;

    // Windows loads no image of 2 GiB or more.
    static constexpr uint64_t maxImageSize = 0x80000000;

private:
    struct Section {
        char name[8];
        uint32_t virtualSize, virtualAddress, rawSize, rawOffset;
    };

    const Section& resource() const { return sections[resourceIndex]; }
    bool hasRelocations() const { return resourceIndex + 1 < sections.size(); }
    void readSections();
    void checkLayout() const;
    // The file up to the resource section, its headers made for a section of sectionSize bytes.
    Bytes frontFor(uint64_t sectionSize) const;

    std::span<const std::byte> bytes;
    size_t ntHeaders = 0;
    size_t sectionTable = 0;
    uint32_t sectionAlignment = 0;
    uint32_t fileAlignment = 0;
    std::vector<Section> sections;
    size_t resourceIndex = 0;
};

} // namespace pack
