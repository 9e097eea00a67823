#include "ResourceTable.h"

#include <algorithm>

#include "Platform.h"
#include "Text.h"

namespace pack {
namespace {

constexpr uint32_t highBit = 0x80000000;  // a subdirectory, or a name given as text
constexpr size_t dataAlignment = 8;
constexpr size_t directorySize = 16;      // characteristics, time stamp, version, named and id entry counts
constexpr size_t directoryEntrySize = 8;  // name or id, offset
constexpr size_t dataEntrySize = 16;      // data RVA, size, code page, reserved

uint64_t alignData(uint64_t offset) { return (offset + dataAlignment - 1) / dataAlignment * dataAlignment; }

// Writes the section front to back.
class SectionWriter {
public:
    explicit SectionWriter(uint32_t sectionRva) : sectionRva(sectionRva) {}

    ResourceTable::Layout write(const ResourceTable::Types& types) {
        directory(types);
        for (const auto& [entry, name] : namedEntries) {
            out.putAt<uint32_t>(entry, highBit | static_cast<uint32_t>(out.size()));
            out.put<uint16_t>(static_cast<uint16_t>(name.size()));
            out.putText(name);
        }
        for (const auto& [dataEntry, leaf] : leaves) {
            if (!leaf->stream) {
                out.alignTo(dataAlignment);
                place(dataEntry, out.size(), leaf->data.size());
                out.putBytes(leaf->data);
            }
        }
        out.alignTo(dataAlignment);
        // The streamed bytes end the section, after every other resource's, in the order they were added.
        std::vector<std::pair<size_t, const ResourceTable::Entry*>> streamed;
        for (const auto& [dataEntry, leaf] : leaves) {
            if (leaf->stream) {
                streamed.emplace_back(dataEntry, leaf);
            }
        }
        std::sort(streamed.begin(), streamed.end(),
                  [](const auto& a, const auto& b) { return *a.second->stream < *b.second->stream; });
        ResourceTable::Layout layout;
        uint64_t offset = out.size();
        for (const auto& [dataEntry, leaf] : streamed) {
            offset = alignData(offset);
            place(dataEntry, offset, leaf->streamSize);
            layout.streamed.push_back(leaf->streamSize);
            offset += leaf->streamSize;
        }
        layout.head = std::move(out.bytes());
        return layout;
    }

private:
    // The directory of children, with everything below it; returns its offset.
    template <class Key, class Child>
    uint32_t directory(const std::map<Key, Child>& children) {
        const size_t offset = out.reserve(directorySize);
        uint16_t named = 0;
        for (const auto& child : children) {
            named += ResourceId(child.first).isNumber() ? 0 : 1;
        }
        out.putAt<uint16_t>(offset + 12, named);
        out.putAt<uint16_t>(offset + 14, static_cast<uint16_t>(children.size() - named));
        size_t entry = out.reserve(children.size() * directoryEntrySize);
        for (const auto& [key, child] : children) {
            const ResourceId id(key);
            if (id.isNumber()) {
                out.putAt<uint32_t>(entry, id.getNumber());
            } else {
                namedEntries.emplace_back(entry, id.getName());
            }
            out.putAt<uint32_t>(entry + 4, node(child));
            entry += directoryEntrySize;
        }
        return static_cast<uint32_t>(offset);
    }

    template <class Key, class Child>
    uint32_t node(const std::map<Key, Child>& children) {
        return highBit | directory(children);
    }

    uint32_t node(const ResourceTable::Entry& leaf) {
        const size_t dataEntry = out.reserve(dataEntrySize);
        leaves.emplace_back(dataEntry, &leaf);
        return static_cast<uint32_t>(dataEntry);
    }

    // Sizes beyond 32 bits are cut here: the image that would hold them is refused before it is written.
    void place(size_t dataEntry, uint64_t offset, uint64_t size) {
        out.putAt<uint32_t>(dataEntry, static_cast<uint32_t>(sectionRva + offset));
        out.putAt<uint32_t>(dataEntry + 4, static_cast<uint32_t>(size));
    }

    uint32_t sectionRva;
    ByteWriter out;
    std::vector<std::pair<size_t, std::u16string>> namedEntries;
    std::vector<std::pair<size_t, const ResourceTable::Entry*>> leaves;
};

// Reads a section with every offset checked against its bounds.
class SectionReader {
public:
    SectionReader(std::span<const std::byte> bytes, uint32_t sectionRva) : bytes(bytes), sectionRva(sectionRva) {}

    // The ids of the directory's entries, each with its offset field.
    std::vector<std::pair<ResourceId, uint32_t>> children(uint32_t field) const {
        if ((field & highBit) == 0) {
            fail("a directory entry leads to data too early");
        }
        const uint32_t offset = field & ~highBit;
        check(offset, directorySize, "a directory outside the section");
        const size_t count = size_t{at<uint16_t>(offset + 12)} + at<uint16_t>(offset + 14);
        check(offset + directorySize, count * directoryEntrySize, "a directory outside the section");
        std::vector<std::pair<ResourceId, uint32_t>> result;
        for (size_t i = 0; i < count; ++i) {
            const size_t entry = offset + directorySize + i * directoryEntrySize;
            result.emplace_back(id(at<uint32_t>(entry)), at<uint32_t>(entry + 4));
        }
        return result;
    }

    Bytes data(uint32_t field) const {
        if ((field & highBit) != 0) {
            fail("a language entry leads to a directory");
        }
        check(field, dataEntrySize, "a data entry outside the section");
        const uint32_t rva = at<uint32_t>(field);
        const uint32_t size = at<uint32_t>(field + 4);
        if (rva < sectionRva || !within(bytes.size(), rva - sectionRva, size)) {
            fail("resource data outside the section");
        }
        const auto begin = bytes.begin() + (rva - sectionRva);
        return Bytes(begin, begin + size);
    }

private:
    ResourceId id(uint32_t field) const {
        if ((field & highBit) == 0) {
            return ResourceId(static_cast<uint16_t>(field));
        }
        const uint32_t offset = field & ~highBit;
        check(offset, 2, "a name outside the section");
        const uint16_t length = at<uint16_t>(offset);
        check(offset + 2, length * uint64_t{2}, "a name outside the section");
        std::u16string name;
        for (uint16_t i = 0; i < length; ++i) {
            name += static_cast<char16_t>(at<uint16_t>(offset + 2 + i * size_t{2}));
        }
        return ResourceId(name);
    }

    template <class T>
    T at(size_t offset) const {
        return readLe<T>(bytes, offset);
    }

    void check(uint64_t offset, uint64_t length, const char* reason) const {
        if (!within(bytes.size(), offset, length)) {
            fail(reason);
        }
    }

    [[noreturn]] static void fail(const char* reason) {
        throw PackError(std::string("the launcher stub has a malformed resource section: ") + reason);
    }

    std::span<const std::byte> bytes;
    uint32_t sectionRva;
};

} // namespace

ResourceId::ResourceId(std::u16string_view name) : name(asciiUpper(name)) {}

bool ResourceId::operator<(const ResourceId& other) const {
    if (isNumber() != other.isNumber()) {
        return !isNumber();
    }
    return isNumber() ? number < other.number : name < other.name;
}

ResourceTable ResourceTable::parse(std::span<const std::byte> section, uint32_t sectionRva) {
    const SectionReader reader(section, sectionRva);
    ResourceTable table;
    // The root directory starts the section.
    for (const auto& [type, names] : reader.children(highBit)) {
        for (const auto& [name, languages] : reader.children(names)) {
            for (const auto& [language, leaf] : reader.children(languages)) {
                table.add(type, name, language.getNumber(), reader.data(leaf));
            }
        }
    }
    return table;
}

void ResourceTable::add(const ResourceId& type, const ResourceId& name, uint16_t language, Bytes data) {
    types[type][name][language] = Entry{std::move(data), std::nullopt, 0};
}

void ResourceTable::addStreamed(const ResourceId& type, const ResourceId& name, uint16_t language, uint64_t size) {
    types[type][name][language] = Entry{{}, streamCount++, size};
}

uint64_t ResourceTable::Layout::size() const {
    uint64_t total = head.size();
    for (const uint64_t streamedSize : streamed) {
        total = alignData(total) + streamedSize;
    }
    return total;
}

ResourceTable::Layout ResourceTable::layOut(uint32_t sectionRva) const { return SectionWriter(sectionRva).write(types); }

} // namespace pack
