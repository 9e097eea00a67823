#include "CompoundFile.h"

#include <algorithm>
#include <array>

namespace pack {
namespace {

constexpr std::array<uint8_t, 8> signature = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
constexpr size_t headerSize = 512;
constexpr size_t headerFatLocations = 109;
constexpr size_t entrySize = 128;
constexpr uint32_t miniSectorSize = 64;
constexpr uint32_t miniStreamCutoff = 4096;
constexpr uint32_t lastRegularSector = 0xFFFFFFFA;
constexpr uint32_t endOfChain = 0xFFFFFFFE;
constexpr uint32_t noEntry = 0xFFFFFFFF;
constexpr uint8_t streamType = 2, rootType = 5;

// Header fields.
constexpr size_t majorVersion = 26, byteOrder = 28, sectorShift = 30, miniSectorShift = 32, fatSectorCount = 44,
                 firstDirectorySector = 48, cutoff = 56, firstMiniFatSector = 60, miniFatSectorCount = 64,
                 firstDifatSector = 68, difatSectorCount = 72, headerDifat = 76;
// Directory entry fields.
constexpr size_t nameLength = 64, objectType = 66, leftSibling = 68, rightSibling = 72, child = 76,
                 startSector = 116, streamSize = 120;

[[noreturn]] void damaged(const char* reason) { throw DamagedPackage(reason); }

uint64_t sectorsFor(uint64_t size, uint64_t sectorSize) { return (size + sectorSize - 1) / sectorSize; }

std::vector<uint32_t> wordsOf(const Bytes& bytes) {
    std::vector<uint32_t> words(bytes.size() / 4);
    for (size_t i = 0; i < words.size(); ++i) {
        words[i] = readLe<uint32_t>(bytes, i * 4);
    }
    return words;
}

} // namespace

bool CompoundFile::hasSignature(const FileRange& file) {
    if (file.size() < headerSize) {
        return false;
    }
    const Bytes start = file.read(0, signature.size());
    return std::equal(signature.begin(), signature.end(), start.begin(),
                      [](uint8_t expected, std::byte got) { return std::byte{expected} == got; });
}

CompoundFile::CompoundFile(const FileRange& file) : file(file) {
    const Bytes header = file.read(0, headerSize);
    const uint16_t shift = readLe<uint16_t>(header, sectorShift);
    if (readLe<uint16_t>(header, byteOrder) != 0xFFFE || (shift != 9 && shift != 12) ||
        readLe<uint16_t>(header, miniSectorShift) != 6 || readLe<uint32_t>(header, cutoff) != miniStreamCutoff) {
        damaged("its header is not one of a compound file");
    }
    sectorSize = uint32_t{1} << shift;
    sectorCount = file.size() > sectorSize ? sectorsFor(file.size() - sectorSize, sectorSize) : 0;
    // Version 3 files may leave anything in the high half of a stream's size.
    sizesAre32Bit = readLe<uint16_t>(header, majorVersion) == 3;
    readFatLocations(header);

    const std::vector<Entry> entries = readDirectory(readLe<uint32_t>(header, firstDirectorySector));
    if (entries.empty() || entries[0].type != rootType) {
        damaged("its directory has no root");
    }
    miniStreamSize = entries[0].size;
    miniStreamSectors = chain(entries[0].start, sectorsFor(miniStreamSize, sectorSize));

    const uint32_t miniFatSectors = readLe<uint32_t>(header, miniFatSectorCount);
    if (miniFatSectors > sectorCount) {
        damaged("its mini FAT is larger than the file");
    }
    for (const uint32_t sector : chain(readLe<uint32_t>(header, firstMiniFatSector), miniFatSectors)) {
        const std::vector<uint32_t> words = wordsOf(readSector(sector));
        miniFat.insert(miniFat.end(), words.begin(), words.end());
    }
    collectStreams(entries);
}

void CompoundFile::readFatLocations(const Bytes& header) {
    const uint32_t fatSectors = readLe<uint32_t>(header, fatSectorCount);
    const uint32_t difatSectors = readLe<uint32_t>(header, difatSectorCount);
    if (fatSectors > sectorCount || difatSectors > sectorCount) {
        damaged("its FAT is larger than the file");
    }
    for (size_t i = 0; i < headerFatLocations && fatLocations.size() < fatSectors; ++i) {
        fatLocations.push_back(readLe<uint32_t>(header, headerDifat + i * 4));
    }
    uint32_t sector = readLe<uint32_t>(header, firstDifatSector);
    for (uint32_t i = 0; i < difatSectors && fatLocations.size() < fatSectors; ++i) {
        const std::vector<uint32_t> words = wordsOf(readSector(sector));
        // The last word of each DIFAT sector leads to the next one.
        for (size_t k = 0; k + 1 < words.size() && fatLocations.size() < fatSectors; ++k) {
            fatLocations.push_back(words[k]);
        }
        sector = words.back();
    }
    if (fatLocations.size() < fatSectors) {
        damaged("its FAT is not all listed");
    }
    fatPages.resize(fatLocations.size());
}

std::vector<CompoundFile::Entry> CompoundFile::readDirectory(uint32_t first) const {
    std::vector<Entry> entries;
    uint32_t sector = first;
    for (uint64_t count = 0; sector != endOfChain; ++count) {
        if (count == sectorCount) {
            damaged("its directory's chain runs in a circle");
        }
        const Bytes bytes = readSector(sector);
        for (size_t at = 0; at + entrySize <= bytes.size(); at += entrySize) {
            Entry entry;
            const uint16_t length = readLe<uint16_t>(bytes, at + nameLength);
            if (length > nameLength || length % 2 != 0) {
                damaged("a directory entry's name is longer than its field");
            }
            for (size_t i = 0; i + 1 < length / 2u; ++i) {
                entry.name += static_cast<char16_t>(readLe<uint16_t>(bytes, at + i * 2));
            }
            entry.type = static_cast<uint8_t>(bytes[at + objectType]);
            entry.left = readLe<uint32_t>(bytes, at + leftSibling);
            entry.right = readLe<uint32_t>(bytes, at + rightSibling);
            entry.child = readLe<uint32_t>(bytes, at + child);
            entry.start = readLe<uint32_t>(bytes, at + startSector);
            entry.size = sizesAre32Bit ? readLe<uint32_t>(bytes, at + streamSize) : readLe<uint64_t>(bytes, at + streamSize);
            if ((entry.type == streamType || entry.type == rootType) && entry.size > file.size()) {
                damaged("a stream is larger than the file");
            }
            entries.push_back(std::move(entry));
        }
        sector = next(sector);
    }
    return entries;
}

void CompoundFile::collectStreams(const std::vector<Entry>& entries) {
    // The root's children form a tree through their siblings; each entry may be met once.
    std::vector<bool> seen(entries.size());
    std::vector<uint32_t> pending{entries[0].child};
    while (!pending.empty()) {
        const uint32_t id = pending.back();
        pending.pop_back();
        if (id == noEntry) {
            continue;
        }
        if (id >= entries.size() || seen[id]) {
            damaged("its directory tree is broken");
        }
        seen[id] = true;
        const Entry& entry = entries[id];
        if (entry.type == streamType) {
            rootStreams.push_back(Stream{entry.name, entry.start, entry.size});
        }
        pending.push_back(entry.left);
        pending.push_back(entry.right);
    }
}

uint32_t CompoundFile::next(uint32_t sector) const {
    const size_t perPage = sectorSize / 4;
    const size_t page = sector / perPage;
    if (page >= fatPages.size()) {
        damaged("a sector lies beyond its FAT");
    }
    if (fatPages[page].empty()) {
        fatPages[page] = wordsOf(readSector(fatLocations[page]));
    }
    return fatPages[page][sector % perPage];
}

std::vector<uint32_t> CompoundFile::chain(uint32_t start, uint64_t count) const {
    std::vector<uint32_t> sectors;
    sectors.reserve(count);
    for (uint32_t sector = start; sectors.size() < count; sector = next(sector)) {
        if (sector > lastRegularSector || sector >= sectorCount) {
            damaged("a chain of sectors ends early or leaves the file");
        }
        sectors.push_back(sector);
        if (sectors.size() == count) {
            break;
        }
    }
    return sectors;
}

std::vector<uint32_t> CompoundFile::miniChain(uint32_t start, uint64_t count) const {
    std::vector<uint32_t> sectors;
    sectors.reserve(count);
    for (uint32_t sector = start; sectors.size() < count;) {
        if (sector >= miniFat.size() || uint64_t{sector} * miniSectorSize >= miniStreamSize) {
            damaged("a chain of mini sectors ends early or leaves the mini stream");
        }
        sectors.push_back(sector);
        sector = miniFat[sector];
    }
    return sectors;
}

Bytes CompoundFile::readSector(uint32_t sector) const {
    if (sector > lastRegularSector || !within(file.size(), offsetOf(sector), sectorSize)) {
        damaged("a sector lies outside the file");
    }
    return file.read(offsetOf(sector), sectorSize);
}

Bytes CompoundFile::read(const Stream& stream) const {
    Bytes bytes(stream.size);
    if (stream.size < miniStreamCutoff) {
        const std::vector<uint32_t> sectors = miniChain(stream.start, sectorsFor(stream.size, miniSectorSize));
        for (size_t i = 0; i < sectors.size(); ++i) {
            const uint64_t at = uint64_t{sectors[i]} * miniSectorSize;
            const uint64_t length = std::min<uint64_t>(miniSectorSize, stream.size - i * miniSectorSize);
            // A mini sector lies inside one sector of the mini stream: sectors are multiples of 64 bytes.
            if (!within(miniStreamSize, at, length)) {
                damaged("a mini sector lies outside the mini stream");
            }
            const uint64_t offset = offsetOf(miniStreamSectors[at / sectorSize]) + at % sectorSize;
            if (!within(file.size(), offset, length)) {
                damaged("a sector lies outside the file");
            }
            file.read(offset, std::span(bytes).subspan(i * miniSectorSize, length));
        }
        return bytes;
    }
    const std::vector<uint32_t> sectors = chain(stream.start, sectorsFor(stream.size, sectorSize));
    // Sectors that follow each other in the file are read at once.
    for (size_t i = 0; i < sectors.size();) {
        size_t run = 1;
        while (i + run < sectors.size() && sectors[i + run] == sectors[i] + run) {
            ++run;
        }
        const uint64_t at = i * uint64_t{sectorSize};
        const uint64_t length = std::min<uint64_t>(run * uint64_t{sectorSize}, stream.size - at);
        if (!within(file.size(), offsetOf(sectors[i]), length)) {
            damaged("a sector lies outside the file");
        }
        file.read(offsetOf(sectors[i]), std::span(bytes).subspan(at, length));
        i += run;
    }
    return bytes;
}

} // namespace pack
