#include "StringPool.h"

#include "CompoundFile.h"

namespace pack {
namespace {

constexpr uint32_t longReferences = 0x80000000;

} // namespace

StringPool::StringPool(Bytes pool, Bytes stringData) : data(std::move(stringData)) {
    if (pool.size() < 4) {
        throw DamagedPackage("its string pool has no header");
    }
    const uint32_t header = readLe<uint32_t>(pool, 0);
    storedCodePage = header & ~longReferences;
    refSize = (header & longReferences) != 0 ? 3 : 2;
    const size_t entries = pool.size() / 4;
    const auto length = [&pool](size_t entry) { return readLe<uint16_t>(pool, entry * 4); };
    const auto count = [&pool](size_t entry) { return readLe<uint16_t>(pool, entry * 4 + 2); };
    size_t offset = 0;
    for (size_t entry = 1; entry < entries;) {
        size_t size = length(entry);
        if (size == 0 && count(entry) != 0) {
            if (entry + 1 == entries) {
                throw DamagedPackage("its string pool ends inside an entry");
            }
            size = size_t{count(entry + 1)} << 16 | length(entry + 1);
            entry += 2;
        } else {
            entry += 1;
        }
        if (!within(data.size(), offset, size)) {
            throw DamagedPackage("its string pool holds more than its string data");
        }
        strings.push_back(Place{offset, size});
        offset += size;
    }
}

std::string_view StringPool::bytes(uint32_t id) const {
    if (id == 0) {
        return {};
    }
    if (id > strings.size()) {
        throw DamagedPackage("a table refers to a string that is not in the pool");
    }
    const Place& place = strings[id - 1];
    return std::string_view(reinterpret_cast<const char*>(data.data()) + place.offset, place.length);
}

} // namespace pack
