#include "ResourceTable.h"

#include <cstring>
#include <cwctype>

#include "ErrorHandling.h"

namespace {

constexpr DWORD highBit = 0x80000000;  // a subdirectory, or a name given as text
constexpr size_t dataAlignment = 8;

// Writes the section front to back; offsets, not pointers, refer back into it.
class SectionWriter {
public:
    explicit SectionWriter(DWORD sectionRva) : sectionRva(sectionRva) {}

    ResourceTable::Layout write(const ResourceTable::Types& types) {
        directory(types);
        for (const auto& [entry, name] : namedEntries) {
            put<DWORD>(entry, highBit | static_cast<DWORD>(bytes.size()));
            append(static_cast<WORD>(name.size()));
            appendBytes(name.data(), name.size() * sizeof(wchar_t));
        }
        ResourceTable::Layout layout;
        for (const auto& [dataEntry, leaf] : leaves) {
            if (!leaf->tailSize) {
                place(dataEntry, leaf->data.size());
                appendBytes(leaf->data.data(), leaf->data.size());
            }
        }
        // The tail's bytes end the section, after every other resource's.
        for (const auto& [dataEntry, leaf] : leaves) {
            if (leaf->tailSize) {
                place(dataEntry, *leaf->tailSize);
                layout.tailSize = *leaf->tailSize;
            }
        }
        layout.head = std::move(bytes);
        return layout;
    }

private:
    // The directory of children, with everything below it; returns its offset.
    template <class Child>
    DWORD directory(const std::map<ResourceId, Child>& children) {
        IMAGE_RESOURCE_DIRECTORY header{};
        for (const auto& child : children) {
            ++(child.first.isNumber() ? header.NumberOfIdEntries : header.NumberOfNamedEntries);
        }
        const size_t offset = append(header);
        size_t entry = reserve(children.size() * sizeof(IMAGE_RESOURCE_DIRECTORY_ENTRY));
        for (const auto& [id, child] : children) {
            if (id.isNumber()) {
                put<DWORD>(entry, id.getNumber());
            } else {
                namedEntries.emplace_back(entry, id.getName());
            }
            put<DWORD>(entry + sizeof(DWORD), node(child));
            entry += sizeof(IMAGE_RESOURCE_DIRECTORY_ENTRY);
        }
        return static_cast<DWORD>(offset);
    }

    template <class Child>
    DWORD node(const std::map<ResourceId, Child>& children) {
        return highBit | directory(children);
    }

    DWORD node(const ResourceTable::Entry& leaf) {
        const size_t dataEntry = append(IMAGE_RESOURCE_DATA_ENTRY{});
        leaves.emplace_back(dataEntry, &leaf);
        return static_cast<DWORD>(dataEntry);
    }

    size_t reserve(size_t size) {
        const size_t offset = bytes.size();
        bytes.resize(offset + size);
        return offset;
    }

    size_t appendBytes(const void* data, size_t size) {
        const size_t offset = reserve(size);
        std::memcpy(bytes.data() + offset, data, size);
        return offset;
    }

    template <class T>
    size_t append(const T& value) {
        return appendBytes(&value, sizeof(value));
    }

    template <class T>
    void put(size_t offset, const T& value) {
        std::memcpy(bytes.data() + offset, &value, sizeof(value));
    }

    // The data of the entry at dataEntry starts here, aligned.
    void place(size_t dataEntry, size_t size) {
        align();
        put<DWORD>(dataEntry, sectionRva + static_cast<DWORD>(bytes.size()));
        put<DWORD>(dataEntry + sizeof(DWORD), static_cast<DWORD>(size));
    }

    void align() { bytes.resize((bytes.size() + dataAlignment - 1) / dataAlignment * dataAlignment); }

    DWORD sectionRva;
    std::vector<BYTE> bytes;
    std::vector<std::pair<size_t, WString>> namedEntries;
    std::vector<std::pair<size_t, const ResourceTable::Entry*>> leaves;
};

// Reads a section with every offset checked against its bounds.
class SectionReader {
public:
    SectionReader(const BYTE* bytes, size_t size, DWORD sectionRva)
        : bytes(bytes), size(size), sectionRva(sectionRva) {}

    // The ids of the directory's entries, each with its offset field.
    std::vector<std::pair<ResourceId, DWORD>> children(DWORD field) const {
        if ((field & highBit) == 0) {
            fail("a directory entry leads to data too early");
        }
        const DWORD offset = field & ~highBit;
        const auto header = at<IMAGE_RESOURCE_DIRECTORY>(offset);
        std::vector<std::pair<ResourceId, DWORD>> result;
        size_t entry = offset + sizeof(header);
        for (int i = 0; i < header.NumberOfNamedEntries + header.NumberOfIdEntries; ++i) {
            result.emplace_back(id(at<DWORD>(entry)), at<DWORD>(entry + sizeof(DWORD)));
            entry += sizeof(IMAGE_RESOURCE_DIRECTORY_ENTRY);
        }
        return result;
    }

    std::vector<BYTE> data(DWORD field) const {
        if ((field & highBit) != 0) {
            fail("a language entry leads to a directory");
        }
        const auto entry = at<IMAGE_RESOURCE_DATA_ENTRY>(field);
        const size_t offset = entry.OffsetToData - sectionRva;
        if (entry.OffsetToData < sectionRva || offset > size || size - offset < entry.Size) {
            fail("resource data outside the section");
        }
        return std::vector<BYTE>(bytes + offset, bytes + offset + entry.Size);
    }

private:
    ResourceId id(DWORD field) const {
        if ((field & highBit) == 0) {
            return ResourceId(MAKEINTRESOURCEW(field));
        }
        const DWORD offset = field & ~highBit;
        const WORD length = at<WORD>(offset);
        if (offset + sizeof(WORD) + length * sizeof(wchar_t) > size) {
            fail("a name outside the section");
        }
        WString name(length, L'\0');
        std::memcpy(name.data(), bytes + offset + sizeof(WORD), length * sizeof(wchar_t));
        return ResourceId(name.c_str());
    }

    template <class T>
    T at(size_t offset) const {
        if (offset > size || size - offset < sizeof(T)) {
            fail("a structure outside the section");
        }
        T value;
        std::memcpy(&value, bytes + offset, sizeof(value));
        return value;
    }

    [[noreturn]] static void fail(const char* reason) { THROW_RUNTIME_ERROR("Malformed resource section: " << reason); }

    const BYTE* bytes;
    size_t size;
    DWORD sectionRva;
};

} // namespace

ResourceId::ResourceId(LPCWSTR value) {
    if (IS_INTRESOURCE(value)) {
        number = static_cast<WORD>(reinterpret_cast<ULONG_PTR>(value));
        return;
    }
    for (const wchar_t* c = value; *c != L'\0'; ++c) {
        name += static_cast<wchar_t>(std::towupper(*c));
    }
}

bool ResourceId::operator<(const ResourceId& other) const {
    if (isNumber() != other.isNumber()) {
        return !isNumber();
    }
    return isNumber() ? number < other.number : name < other.name;
}

ResourceTable ResourceTable::parse(const BYTE* section, size_t size, DWORD sectionRva) {
    const SectionReader reader(section, size, sectionRva);
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

void ResourceTable::add(const ResourceId& type, const ResourceId& name, WORD language, std::vector<BYTE> data) {
    types[type][name][MAKEINTRESOURCEW(language)] = Entry{std::move(data), std::nullopt};
}

void ResourceTable::addTail(const ResourceId& type, const ResourceId& name, WORD language, DWORD size) {
    if (hasTail) {
        THROW_RUNTIME_ERROR("A resource table holds one tail only");
    }
    hasTail = true;
    types[type][name][MAKEINTRESOURCEW(language)] = Entry{{}, size};
}

ResourceTable::Layout ResourceTable::layOut(DWORD sectionRva) const { return SectionWriter(sectionRva).write(types); }
