#pragma once

// Packages and resource sections built in memory, byte by byte, for inputs
// that no tool writes.
#include <string>
#include <utility>
#include <vector>

#include "Bytes.h"
#include "Text.h"

namespace packtest {

inline void putLe(pack::Bytes& bytes, uint32_t value, size_t size) {
    for (size_t i = 0; i < size; ++i) {
        bytes.push_back(static_cast<std::byte>(value >> (8 * i)));
    }
}

// A compound file of these root streams, in 512-byte sectors; streams under
// 4096 bytes in the mini stream, as the format has them.
inline pack::Bytes compoundFile(const std::vector<std::pair<std::u16string, pack::Bytes>>& streams) {
    constexpr uint32_t unused = 0xFFFFFFFF, endOfChain = 0xFFFFFFFE, fatSector = 0xFFFFFFFD;
    std::vector<uint32_t> fat, miniFat;
    pack::Bytes body, mini;
    // Appends data as a chain of units of size; returns its first unit.
    const auto chain = [&](pack::Bytes& to, std::vector<uint32_t>& table, const pack::Bytes& data, size_t unit) {
        if (data.empty()) {
            return endOfChain;
        }
        const auto first = static_cast<uint32_t>(table.size());
        for (size_t i = 0, count = (data.size() + unit - 1) / unit; i < count; ++i) {
            table.push_back(i + 1 < count ? first + static_cast<uint32_t>(i) + 1 : endOfChain);
        }
        to.insert(to.end(), data.begin(), data.end());
        to.resize(table.size() * unit);
        return first;
    };
    std::vector<uint32_t> starts;
    for (const auto& [name, data] : streams) {
        starts.push_back(data.size() < 4096 ? chain(mini, miniFat, data, 64) : chain(body, fat, data, 512));
    }
    const size_t miniSize = mini.size();
    const uint32_t miniStart = chain(body, fat, mini, 512);
    pack::Bytes miniFatBytes;
    for (const uint32_t next : miniFat) {
        putLe(miniFatBytes, next, 4);
    }
    const uint32_t miniFatStart = chain(body, fat, miniFatBytes, 512);
    pack::Bytes directory((streams.size() + 1) * 128);
    const auto entry = [&](size_t index, std::u16string_view name, uint8_t type, uint32_t right, uint32_t child,
                           uint32_t start, uint64_t size) {
        const size_t at = index * 128;
        for (size_t i = 0; i < name.size(); ++i) {
            pack::writeLe<uint16_t>(directory, at + i * 2, name[i]);
        }
        pack::writeLe<uint16_t>(directory, at + 64, static_cast<uint16_t>((name.size() + 1) * 2));
        directory[at + 66] = std::byte{type};
        pack::writeLe<uint32_t>(directory, at + 68, unused);
        pack::writeLe<uint32_t>(directory, at + 72, right);
        pack::writeLe<uint32_t>(directory, at + 76, child);
        pack::writeLe<uint32_t>(directory, at + 116, start);
        pack::writeLe<uint64_t>(directory, at + 120, size);
    };
    entry(0, u"Root Entry", 5, unused, streams.empty() ? unused : 1, miniStart, miniSize);
    for (size_t i = 0; i < streams.size(); ++i) {
        const auto right = i + 1 < streams.size() ? static_cast<uint32_t>(i + 2) : unused;
        entry(i + 1, streams[i].first, 2, right, unused, starts[i], streams[i].second.size());
    }
    const uint32_t directoryStart = chain(body, fat, directory, 512);
    // The FAT comes last and lists its own sectors too.
    size_t fatCount = 0;
    while (fat.size() + fatCount > fatCount * 128) {
        ++fatCount;
    }
    const auto firstFat = static_cast<uint32_t>(fat.size());
    fat.resize(fat.size() + fatCount, fatSector);
    fat.resize(fatCount * 128, unused);
    for (const uint32_t next : fat) {
        putLe(body, next, 4);
    }
    pack::Bytes file = pack::Bytes{std::byte{0xD0}, std::byte{0xCF}, std::byte{0x11}, std::byte{0xE0},
                                   std::byte{0xA1}, std::byte{0xB1}, std::byte{0x1A}, std::byte{0xE1}};
    file.resize(512);
    const std::pair<size_t, uint32_t> fields[] = {{0x18, 0x3E},       {0x1A, 3},          {0x1C, 0xFFFE},
                                                  {0x1E, 9},          {0x20, 6}};
    for (const auto& [at, value] : fields) {
        pack::writeLe<uint16_t>(file, at, static_cast<uint16_t>(value));
    }
    const std::pair<size_t, uint32_t> words[] = {
        {0x2C, static_cast<uint32_t>(fatCount)}, {0x30, directoryStart}, {0x38, 4096}, {0x3C, miniFatStart},
        {0x40, static_cast<uint32_t>((miniFatBytes.size() + 511) / 512)}, {0x44, endOfChain}, {0x48, 0}};
    for (const auto& [at, value] : words) {
        pack::writeLe<uint32_t>(file, at, value);
    }
    for (size_t i = 0; i < 109; ++i) {
        pack::writeLe<uint32_t>(file, 0x4C + i * 4, i < fatCount ? firstFat + static_cast<uint32_t>(i) : unused);
    }
    file.insert(file.end(), body.begin(), body.end());
    return file;
}

// The stream of a table whose values all take 2 bytes (string numbers of a
// pool with fewer than 65,536 strings, short integers stored as value ^ 0x8000):
// each column's values, one column after the other.
inline pack::Bytes tableStream(const std::vector<std::vector<uint16_t>>& columns) {
    pack::Bytes stream;
    for (const std::vector<uint16_t>& column : columns) {
        for (const uint16_t value : column) {
            putLe(stream, value, 2);
        }
    }
    return stream;
}

// An installer package in code page 1252 of these strings, numbered from 1,
// and tables, each given by its name and stream.
inline pack::Bytes installerPackage(const std::vector<std::string>& strings,
                                    const std::vector<std::pair<std::string, pack::Bytes>>& tables) {
    pack::Bytes pool, data;
    putLe(pool, 1252, 4);
    for (const std::string& text : strings) {
        putLe(pool, static_cast<uint32_t>(text.size()), 2);
        putLe(pool, 1, 2);
        const auto bytes = pack::asBytes(text);
        data.insert(data.end(), bytes.begin(), bytes.end());
    }
    // The reader takes a character outside the packed ranges as itself: the names need no packing.
    std::vector<std::pair<std::u16string, pack::Bytes>> streams = {{u"\x4840_StringPool", pool},
                                                                     {u"\x4840_StringData", data}};
    for (const auto& [name, stream] : tables) {
        streams.emplace_back(u"\x4840", stream);
        streams.back().first += pack::toUtf16(name);
    }
    return compoundFile(streams);
}

} // namespace packtest
