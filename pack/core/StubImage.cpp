#include "StubImage.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "PeChecksum.h"
#include "Xxh3.h"

namespace pack {
namespace {

// Offsets of the fields this program reads or changes.
constexpr size_t dosSignature = 0x00, dosNtHeaders = 0x3C, dosHeaderSize = 0x40;
constexpr uint32_t ntSignatureValue = 0x00004550;  // "PE\0\0"
constexpr size_t fileHeader = 4;                     // from the NT headers
constexpr size_t sectionCount = fileHeader + 2, optionalHeaderSize = fileHeader + 16;
constexpr size_t optionalHeader = fileHeader + 20;  // from the NT headers
constexpr size_t magic = 0, initializedDataSize = 8, sectionAlignmentField = 32, fileAlignmentField = 36,
                 imageSize = 56, headersSize = 60, checkSum = 64, directoryCount = 108, directories = 112;
constexpr uint16_t pe32PlusMagic = 0x20B;
constexpr size_t directoryEntries = 16, optionalHeaderSizeValue = directories + directoryEntries * 8;
constexpr size_t resourceDirectory = 2, securityDirectory = 4, relocationDirectory = 5;
constexpr size_t sectionHeaderSize = 40;
constexpr uint32_t minFileAlignment = 512;
constexpr size_t sectionVirtualSize = 8, sectionVirtualAddress = 12, sectionRawSize = 16, sectionRawOffset = 20;

[[noreturn]] void unexpectedLayout(const char* reason) {
    throw PackError(std::string("the launcher stub has an unexpected layout: ") + reason);
}

uint64_t alignUp(uint64_t value, uint64_t alignment) { return (value + alignment - 1) / alignment * alignment; }

bool isPowerOfTwo(uint32_t value) { return value != 0 && (value & (value - 1)) == 0; }

// Everything written goes into the checksum too.
class ChecksummedOutput {
public:
    explicit ChecksummedOutput(OutputFile& file) : file(file) {}

    void write(std::span<const std::byte> bytes) {
        checksum.add(bytes);
        file.write(bytes);
        written += bytes.size();
    }
    void pad(uint64_t alignment) { write(Bytes(alignUp(written, alignment) - written)); }
    // Returns the XXH3 of the bytes, summed while they pass through the processor's cache.
    uint64_t copy(const FileRange& in) {
        Xxh3 xxh3;
        in.forEachPiece([&](std::span<const std::byte> piece) {
            xxh3.add(piece);
            write(piece);
        });
        return xxh3.digest();
    }

    uint32_t checksumValue() const { return checksum.value(); }

private:
    OutputFile& file;
    PeChecksum checksum;
    uint64_t written = 0;
};

} // namespace

StubImage::StubImage(std::span<const std::byte> bytes) : bytes(bytes) {
    if (!within(bytes.size(), 0, dosHeaderSize) || readLe<uint16_t>(bytes, dosSignature) != 0x5A4D) {
        unexpectedLayout("no DOS header");
    }
    ntHeaders = readLe<uint32_t>(bytes, dosNtHeaders);
    if (!within(bytes.size(), ntHeaders, optionalHeader + optionalHeaderSizeValue) ||
        readLe<uint32_t>(bytes, ntHeaders) != ntSignatureValue ||
        readLe<uint16_t>(bytes, ntHeaders + optionalHeader + magic) != pe32PlusMagic ||
        readLe<uint16_t>(bytes, ntHeaders + optionalHeaderSize) != optionalHeaderSizeValue ||
        readLe<uint32_t>(bytes, ntHeaders + optionalHeader + directoryCount) != directoryEntries) {
        unexpectedLayout("not a 64-bit image with a complete optional header");
    }
    sectionAlignment = readLe<uint32_t>(bytes, ntHeaders + optionalHeader + sectionAlignmentField);
    fileAlignment = readLe<uint32_t>(bytes, ntHeaders + optionalHeader + fileAlignmentField);
    // Resource data is aligned to 8 within the section, and so in the file.
    if (!isPowerOfTwo(sectionAlignment) || !isPowerOfTwo(fileAlignment) || fileAlignment < minFileAlignment) {
        unexpectedLayout("alignments that are not powers of two of at least 512 bytes in the file");
    }
    sectionTable = ntHeaders + optionalHeader + optionalHeaderSizeValue;
    readSections();
    checkLayout();
}

void StubImage::readSections() {
    const uint16_t count = readLe<uint16_t>(bytes, ntHeaders + sectionCount);
    const uint64_t tableEnd = sectionTable + uint64_t{count} * sectionHeaderSize;
    if (count == 0 || tableEnd > readLe<uint32_t>(bytes, ntHeaders + optionalHeader + headersSize) ||
        tableEnd > bytes.size()) {
        unexpectedLayout("its section table lies outside its headers");
    }
    for (uint16_t i = 0; i < count; ++i) {
        const size_t at = sectionTable + i * sectionHeaderSize;
        Section section{};
        std::memcpy(section.name, bytes.data() + at, sizeof(section.name));
        section.virtualSize = readLe<uint32_t>(bytes, at + sectionVirtualSize);
        section.virtualAddress = readLe<uint32_t>(bytes, at + sectionVirtualAddress);
        section.rawSize = readLe<uint32_t>(bytes, at + sectionRawSize);
        section.rawOffset = readLe<uint32_t>(bytes, at + sectionRawOffset);
        if (section.rawSize != 0 && (section.rawOffset < tableEnd || !within(bytes.size(), section.rawOffset, section.rawSize))) {
            unexpectedLayout("a section's data lies outside the file or in its headers");
        }
        sections.push_back(section);
    }
    const auto found = std::find_if(sections.begin(), sections.end(), [](const Section& s) {
        return std::memcmp(s.name, ".rsrc\0\0", sizeof(s.name)) == 0;
    });
    if (found == sections.end()) {
        unexpectedLayout("no .rsrc section");
    }
    resourceIndex = static_cast<size_t>(found - sections.begin());
}

void StubImage::checkLayout() const {
    const Section& rsrc = resource();
    const Section& last = sections.back();
    if (sections.size() - resourceIndex > 2 || (hasRelocations() && std::memcmp(last.name, ".reloc\0", 8) != 0)) {
        unexpectedLayout("sections other than .reloc after .rsrc");
    }
    if (rsrc.rawSize == 0) {
        unexpectedLayout("an empty .rsrc");
    }
    for (size_t i = 0; i < resourceIndex; ++i) {
        const Section& before = sections[i];
        if ((before.rawSize != 0 && uint64_t{before.rawOffset} + before.rawSize > rsrc.rawOffset) ||
            uint64_t{before.virtualAddress} + before.virtualSize > rsrc.virtualAddress) {
            unexpectedLayout("a section before .rsrc that reaches into it");
        }
    }
    if (hasRelocations() && last.rawOffset != uint64_t{rsrc.rawOffset} + rsrc.rawSize) {
        unexpectedLayout("a gap between .rsrc and .reloc");
    }
    if (uint64_t{last.rawOffset} + last.rawSize != bytes.size()) {
        unexpectedLayout("data after the last section");
    }
    const auto directory = [this](size_t index) {
        const size_t at = ntHeaders + optionalHeader + directories + index * 8;
        return std::pair<uint64_t, uint64_t>(readLe<uint32_t>(bytes, at), readLe<uint32_t>(bytes, at + 4));
    };
    const auto inSection = [](const Section& section, std::pair<uint64_t, uint64_t> range) {
        return range.first >= section.virtualAddress &&
               range.first + range.second <= uint64_t{section.virtualAddress} + section.virtualSize;
    };
    if (!inSection(rsrc, directory(resourceDirectory)) || directory(resourceDirectory).first != rsrc.virtualAddress) {
        unexpectedLayout("the resource directory does not start .rsrc");
    }
    if (directory(securityDirectory).second != 0) {
        unexpectedLayout("a signature");
    }
    for (size_t i = 0; i < directoryEntries; ++i) {
        const auto [address, size] = directory(i);
        const bool moves = i == relocationDirectory && hasRelocations() && inSection(last, directory(i));
        if (i != resourceDirectory && !moves && size != 0 && address + size > rsrc.virtualAddress) {
            unexpectedLayout("header data in or after .rsrc");
        }
    }
}

ResourceTable StubImage::resources() const {
    const Section& rsrc = resource();
    return ResourceTable::parse(bytes.subspan(rsrc.rawOffset, std::min(rsrc.rawSize, rsrc.virtualSize)),
                                rsrc.virtualAddress);
}

uint64_t StubImage::imageSizeFor(uint64_t sectionSize) const {
    const uint64_t resourceEnd = resource().virtualAddress + sectionSize;
    if (!hasRelocations()) {
        return alignUp(resourceEnd, sectionAlignment);
    }
    return alignUp(alignUp(resourceEnd, sectionAlignment) + sections.back().virtualSize, sectionAlignment);
}

Bytes StubImage::frontFor(uint64_t sectionSize) const {
    const Section& rsrc = resource();
    Bytes front(bytes.begin(), bytes.begin() + rsrc.rawOffset);
    const auto setOptional = [&](size_t field, uint32_t value) {
        writeLe<uint32_t>(front, ntHeaders + optionalHeader + field, value);
    };
    const auto setSection = [&](size_t index, size_t field, uint32_t value) {
        writeLe<uint32_t>(front, sectionTable + index * sectionHeaderSize + field, value);
    };

    const auto newRawSize = static_cast<uint32_t>(alignUp(sectionSize, fileAlignment));
    const uint32_t oldInitializedData = readLe<uint32_t>(bytes, ntHeaders + optionalHeader + initializedDataSize);
    setSection(resourceIndex, sectionVirtualSize, static_cast<uint32_t>(sectionSize));
    setSection(resourceIndex, sectionRawSize, newRawSize);
    setOptional(initializedDataSize, oldInitializedData + newRawSize - rsrc.rawSize);
    setOptional(directories + resourceDirectory * 8 + 4, static_cast<uint32_t>(sectionSize));
    if (hasRelocations()) {
        const Section& relocations = sections.back();
        const auto newAddress = static_cast<uint32_t>(alignUp(rsrc.virtualAddress + sectionSize, sectionAlignment));
        setSection(sections.size() - 1, sectionVirtualAddress, newAddress);
        setSection(sections.size() - 1, sectionRawOffset, rsrc.rawOffset + newRawSize);
        const size_t relocationAddress = directories + relocationDirectory * 8;
        const uint32_t oldAddress = readLe<uint32_t>(bytes, ntHeaders + optionalHeader + relocationAddress);
        setOptional(relocationAddress, oldAddress + newAddress - relocations.virtualAddress);
    }
    setOptional(imageSize, static_cast<uint32_t>(imageSizeFor(sectionSize)));
    // Filled in when the whole file has been summed.
    setOptional(checkSum, 0);
    return front;
}

void StubImage::write(const ResourceTable::Layout& layout, std::span<const FileRange> streams, OutputFile& out,
                      const Trailer& trailer) const {
    const uint64_t sectionSize = layout.size();
    const size_t trailers = trailer ? 1 : 0;
    const bool sized = streams.size() + trailers == layout.streamed.size() &&
                       std::equal(streams.begin(), streams.end(), layout.streamed.begin(),
                                  [](const FileRange& stream, uint64_t size) { return stream.size() == size; });
    if (imageSizeFor(sectionSize) >= maxImageSize || !sized) {
        throw PackError("the setup program's resources do not fit its image");
    }
    ChecksummedOutput image(out);
    image.write(frontFor(sectionSize));
    image.write(layout.head);
    std::vector<uint64_t> digests;
    for (const FileRange& stream : streams) {
        image.pad(8);
        digests.push_back(image.copy(stream));
    }
    if (trailer) {
        const Bytes last = trailer(digests);
        if (last.size() != layout.streamed.back()) {
            throw PackError("the setup program's resources do not fit its image");
        }
        image.pad(8);
        image.write(last);
    }
    image.pad(fileAlignment);
    if (hasRelocations()) {
        const Section& relocations = sections.back();
        image.write(bytes.subspan(relocations.rawOffset, relocations.rawSize));
    }
    Bytes checksum(4);
    writeLe<uint32_t>(checksum, 0, image.checksumValue());
    out.overwrite(ntHeaders + optionalHeader + checkSum, checksum);
}

} // namespace pack
