#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "Bytes.h"
#include "FileRange.h"

namespace pack {

// A file that is not what its first bytes promise; the text says where it breaks.
class DamagedPackage : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The streams of an OLE compound file, the container of an installer package,
// read in place. Every sector number, chain and size is checked against the
// file, and every walk is bounded by its size, so that no file can make it
// read outside itself, loop or allocate more than the file holds.
class CompoundFile {
public:
    struct Stream {
        std::u16string name;  // as stored
        uint32_t start = 0;
        uint64_t size = 0;
    };

    static bool hasSignature(const FileRange& file);

    // Throws DamagedPackage.
    explicit CompoundFile(const FileRange& file);

    // The streams of the root storage; those of nested storages are not the package's.
    const std::vector<Stream>& streams() const { return rootStreams; }
    Bytes read(const Stream& stream) const;

private:
    struct Entry {
        std::u16string name;
        uint8_t type = 0;
        uint32_t left = 0, right = 0, child = 0, start = 0;
        uint64_t size = 0;
    };

    void readFatLocations(const Bytes& header);
    std::vector<Entry> readDirectory(uint32_t first) const;
    void collectStreams(const std::vector<Entry>& entries);
    uint32_t next(uint32_t sector) const;
    // The first count sectors of the chain from start.
    std::vector<uint32_t> chain(uint32_t start, uint64_t count) const;
    std::vector<uint32_t> miniChain(uint32_t start, uint64_t count) const;
    Bytes readSector(uint32_t sector) const;
    uint64_t offsetOf(uint32_t sector) const { return (uint64_t{sector} + 1) * sectorSize; }

    FileRange file;
    uint32_t sectorSize = 0;
    uint64_t sectorCount = 0;  // sectors that start inside the file
    bool sizesAre32Bit = false;
    std::vector<uint32_t> fatLocations;
    mutable std::vector<std::vector<uint32_t>> fatPages;  // read when first needed
    std::vector<uint32_t> miniFat;
    std::vector<uint32_t> miniStreamSectors;
    uint64_t miniStreamSize = 0;
    std::vector<Stream> rootStreams;
};

} // namespace pack
