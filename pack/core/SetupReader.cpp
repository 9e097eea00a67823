#include "SetupReader.h"

#include <map>

#include "Cabinets.h"
#include "ProductCode.h"
#include "Text.h"

namespace pack {
namespace {

constexpr uint32_t highBit = 0x80000000;
constexpr uint16_t pe32PlusMagic = 0x20B;
constexpr size_t sectionHeaderSize = 40, maxSections = 96;
// Longer resource names are none of the packer's, and are not read.
constexpr uint16_t maxNameLength = 32;

class NotASetup {};

// How rcdataResources names a resource known by its number.
std::u16string numberedName(uint32_t number) {
    std::u16string name = u"#";
    name += toUtf16(std::to_string(number));
    return name;
}

class Damaged : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct Section {
    uint32_t virtualAddress, rawSize, rawOffset;
};

// The image's sections and resource directory, every offset checked against the file.
class Image {
public:
    explicit Image(const FileRange& file) : file(file) {
        const uint32_t nt = word(0x3C);
        if (bytes(nt, 4) != Bytes{std::byte{'P'}, std::byte{'E'}, std::byte{0}, std::byte{0}} ||
            half(nt + 24) != pe32PlusMagic) {
            throw NotASetup();
        }
        const uint16_t count = half(nt + 6);
        const uint64_t table = uint64_t{nt} + 24 + half(nt + 20);
        if (count > maxSections || half(nt + 20) < 112 + 3 * 8 || word(nt + 24 + 108) < 3) {
            throw NotASetup();
        }
        for (uint16_t i = 0; i < count; ++i) {
            const uint64_t at = table + i * sectionHeaderSize;
            sections.push_back(Section{word(at + 12), word(at + 16), word(at + 20)});
        }
        // Data directory 2: the resources.
        const uint32_t resourceRva = word(nt + 24 + 112 + 2 * 8);
        if (resourceRva == 0) {
            throw NotASetup();
        }
        resourceBase = fileOffset(resourceRva, 16);
    }

    // The RT_RCDATA resources by name: upper-case names, or numbers as text after "#".
    std::map<std::u16string, FileRange> rcdataResources() const {
        std::map<std::u16string, FileRange> found;
        for (const auto& [type, typeField] : children(resourceBase)) {
            if (type != numberedName(10)) {  // RT_RCDATA
                continue;
            }
            for (const auto& [name, nameField] : children(subdirectory(typeField))) {
                // The first language: the packer writes one.
                const uint64_t languages = subdirectory(nameField);
                if (half(languages + 12) + half(languages + 14) == 0) {
                    throw Damaged("a resource has no data");
                }
                const uint32_t leaf = word(languages + 16 + 4);
                if ((leaf & highBit) != 0) {
                    throw Damaged("its resource directory is broken");
                }
                found.emplace(name, data(leaf));
            }
        }
        return found;
    }

private:
    uint64_t subdirectory(uint32_t field) const {
        if ((field & highBit) == 0) {
            throw Damaged("its resource directory is broken");
        }
        return resourceBase + (field & ~highBit);
    }

    // The entries of the directory at offset: each name (or "#number") with its offset field.
    std::vector<std::pair<std::u16string, uint32_t>> children(uint64_t offset) const {
        const size_t count = size_t{half(offset + 12)} + half(offset + 14);
        const Bytes entries = bytes(offset + 16, count * 8);
        std::vector<std::pair<std::u16string, uint32_t>> result;
        for (size_t i = 0; i < count; ++i) {
            const uint32_t id = readLe<uint32_t>(entries, i * 8);
            result.emplace_back((id & highBit) != 0 ? name(resourceBase + (id & ~highBit)) : numberedName(id & 0xFFFF),
                                readLe<uint32_t>(entries, i * 8 + 4));
        }
        return result;
    }

    std::u16string name(uint64_t offset) const {
        const uint16_t length = half(offset);
        if (length > maxNameLength) {
            return u"";
        }
        const Bytes units = bytes(offset + 2, length * uint64_t{2});
        std::u16string text;
        for (uint16_t i = 0; i < length; ++i) {
            text += static_cast<char16_t>(readLe<uint16_t>(units, i * size_t{2}));
        }
        return asciiUpper(text);
    }

    FileRange data(uint32_t field) const {
        const uint64_t entry = resourceBase + field;
        const uint32_t size = word(entry + 4);
        return file.part(fileOffset(word(entry), size), size);
    }

    // Where the image's bytes at rva lie in the file, for length bytes.
    uint64_t fileOffset(uint32_t rva, uint64_t length) const {
        for (const Section& s : sections) {
            if (rva >= s.virtualAddress && rva - s.virtualAddress < s.rawSize) {
                const uint64_t offset = uint64_t{s.rawOffset} + (rva - s.virtualAddress);
                if (length > s.rawSize - (rva - s.virtualAddress) || !within(file.size(), offset, length)) {
                    throw Damaged("a resource lies outside the file");
                }
                return offset;
            }
        }
        throw Damaged("a resource lies outside the file");
    }

    Bytes bytes(uint64_t offset, uint64_t length) const {
        if (!within(file.size(), offset, length)) {
            throw Damaged(resourceBase == 0 ? "its headers lie outside the file" : "its resources lie outside the file");
        }
        return file.read(offset, length);
    }
    uint16_t half(uint64_t offset) const { return readLe<uint16_t>(bytes(offset, 2), 0); }
    uint32_t word(uint64_t offset) const { return readLe<uint32_t>(bytes(offset, 4), 0); }

    const FileRange& file;
    std::vector<Section> sections;
    uint64_t resourceBase = 0;
};

std::string textOf(const FileRange& range) {
    const Bytes bytes = range.read(0, range.size());
    return std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

const FileRange* find(const std::map<std::u16string, FileRange>& resources, const std::u16string& name) {
    const auto found = resources.find(name);
    return found != resources.end() ? &found->second : nullptr;
}

SetupContents contentsOf(const std::map<std::u16string, FileRange>& resources) {
    const FileRange* package = find(resources, u"MSI");
    const FileRange* code = find(resources, u"PRODUCT_CODE");
    if (package == nullptr || code == nullptr) {
        throw NotASetup();
    }
    SetupContents contents{*package, textOf(*code), std::nullopt, std::nullopt, {}, std::nullopt};
    if (registryForm(toUtf16(contents.productCode)) != contents.productCode) {
        throw Damaged("its product code is not a GUID in registry form");
    }
    if (const FileRange* facts = find(resources, u"SETUP")) {
        const std::string text = textOf(*facts);
        contents.facts = parseSetupFacts(text);
        if (!contents.facts) {
            throw Damaged("its SETUP resource is not one tarnell-pack writes");
        }
        if (recordsDefaultLog(text)) {
            contents.defaultLog = contents.facts->defaultLog;
        }
        const std::u16string& name = contents.facts->packageFileName;
        if (const std::optional<std::string> fault = name.empty() ? std::nullopt : plainNameFault(name)) {
            throw Damaged("the package's name '" + shown(name) + "' " + *fault);
        }
    }
    if (const FileRange* list = find(resources, u"CABINETS")) {
        const CabinetList cabinets = parseCabinetList(textOf(*list));
        if (!cabinets.fault.empty()) {
            throw Damaged(cabinets.fault);
        }
        for (size_t i = 0; i < cabinets.names.size(); ++i) {
            const FileRange* bytes = find(resources, numberedName(static_cast<uint32_t>(i + 1)));
            if (bytes == nullptr) {
                throw Damaged("the cabinet '" + shown(cabinets.names[i]) + "' is not there");
            }
            contents.cabinets.push_back(SetupContents::Cabinet{cabinets.names[i], *bytes});
        }
    }
    if (const FileRange* checksums = find(resources, u"CHECKSUMS")) {
        contents.checksums = parseChecksums(textOf(*checksums), contents.cabinets.size());
        if (!contents.checksums) {
            throw Damaged("its CHECKSUMS resource is not one tarnell-pack writes");
        }
    }
    return contents;
}

} // namespace

bool looksLikeProgram(const FileRange& file) {
    if (file.size() < 0x40) {
        return false;
    }
    const Bytes start = file.read(0, 2);
    return start[0] == std::byte{'M'} && start[1] == std::byte{'Z'};
}

SetupContents readSetup(const FileRange& file, const std::string& path) {
    try {
        if (!looksLikeProgram(file)) {
            throw NotASetup();
        }
        return contentsOf(Image(file).rcdataResources());
    } catch (const NotASetup&) {
        throw PackError(path + ": not a setup program made by tarnell-pack");
    } catch (const Damaged& e) {
        throw PackError(path + ": a damaged setup program: " + e.what());
    }
}

} // namespace pack
