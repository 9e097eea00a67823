#pragma once

#include <algorithm>
#include <cstdint>
#include <span>

#include "Bytes.h"
#include "Platform.h"

namespace pack {

// Bytes [offset, offset + size) of an open file: a whole file, or a package
// or cabinet inside a setup program, read in place.
class FileRange {
public:
    explicit FileRange(InputFile& file) : file(&file), start(0), length(file.size()) {}
    FileRange(InputFile& file, uint64_t offset, uint64_t size) : file(&file), start(offset), length(size) {}

    uint64_t size() const { return length; }

    // The bytes [offset, offset + size) of this range; the caller checks that they lie inside it.
    FileRange part(uint64_t offset, uint64_t size) const {
        if (!within(length, offset, size)) {
            throw PackError("a read outside the file");
        }
        return FileRange(*file, start + offset, size);
    }

    // The caller checks that the bytes lie inside the range; a read past it is a fault of the program.
    void read(uint64_t at, std::span<std::byte> buffer) const {
        if (!within(length, at, buffer.size())) {
            throw PackError("a read outside the file");
        }
        file->readAt(start + at, buffer);
    }
    Bytes read(uint64_t at, uint64_t count) const {
        if (!within(length, at, count)) {
            throw PackError("a read outside the file");
        }
        Bytes bytes(count);
        file->readAt(start + at, bytes);
        return bytes;
    }

    // Reads the whole range in pieces, handing each to use: large enough that
    // the calls cost nothing beside the copying, small enough to stay in the
    // processor's cache.
    template <class Use>
    void forEachPiece(Use use) const {
        constexpr uint64_t pieceSize = 1 << 18;
        Bytes buffer(std::min(length, pieceSize));
        for (uint64_t at = 0; at < length;) {
            const std::span<std::byte> piece(buffer.data(), std::min(length - at, pieceSize));
            read(at, piece);
            use(std::span<const std::byte>(piece));
            at += piece.size();
        }
    }

private:
    InputFile* file;
    uint64_t start;
    uint64_t length;
};

} // namespace pack
