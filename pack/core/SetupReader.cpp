#include "SetupReader.h"

#include <variant>

#include "Cabinets.h"
#include "ProductCode.h"
#include "Text.h"

namespace pack {
namespace {

constexpr uint32_t highBit = 0x80000000;
constexpr uint16_t pe32PlusMagic = 0x20B;
constexpr size_t sectionHeaderSize = 40, maxSections = 96;

class NotASetup {};

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

    // The RT_RCDATA resource of that name (in upper case) or number, found as
    // the system's loader finds it; nothing where the loader finds none.
    std::optional<FileRange> rcdata(const std::variant<std::u16string_view, uint16_t>& name) const {
        const std::optional<uint32_t> names = entry(resourceBase, uint16_t{10});  // RT_RCDATA
        if (!names) {
            return std::nullopt;
        }
        const uint64_t namesDirectory = subdirectory(*names);
        const std::optional<uint32_t> languages = std::visit([&](auto id) { return entry(namesDirectory, id); }, name);
        if (!languages) {
            return std::nullopt;
        }
        const uint64_t directory = subdirectory(*languages);
        if (half(directory + 12) + half(directory + 14) == 0) {
            throw Damaged("a resource has no data");
        }
        // The packer writes one language, neutral, which the loader looks for first.
        const uint32_t leaf = entry(directory, uint16_t{0}).value_or(word(directory + 16 + 4));
        if ((leaf & highBit) != 0) {
            throw Damaged("its resource directory is broken");
        }
        return data(leaf);
    }

private:
    uint64_t subdirectory(uint32_t field) const {
        if ((field & highBit) == 0) {
            throw Damaged("its resource directory is broken");
        }
        return resourceBase + (field & ~highBit);
    }

    // The offset field of the directory's entry for number, searched by halves
    // among the numbered entries as the loader searches. A directory may list a
    // number many times: the loader stops at one of them, and so does this.
    std::optional<uint32_t> entry(uint64_t directory, uint16_t number) const {
        const uint16_t named = half(directory + 12);
        return search(directory, named, named + half(directory + 14), [&](uint64_t at) {
            const uint16_t id = half(at);
            return id == number ? 0 : id > number ? 1 : -1;
        });
    }

    // The same for a name, among the named entries, compared as the loader's
    // wcsncmp compares it with each stored name: never more of it than name's length.
    std::optional<uint32_t> entry(uint64_t directory, std::u16string_view name) const {
        return search(directory, 0, half(directory + 12), [&](uint64_t at) {
            const uint64_t offset = resourceBase + (word(at) & ~highBit);
            const uint16_t length = half(offset);
            const size_t compared = std::min<size_t>(length, name.size() + 1);
            const Bytes units = bytes(offset + 2, compared * uint64_t{2});
            for (size_t i = 0; i < compared; ++i) {
                const char16_t wanted = i < name.size() ? name[i] : u'\0';
                const auto stored = static_cast<char16_t>(readLe<uint16_t>(units, i * 2));
                if (wanted != stored) {
                    return wanted < stored ? 1 : -1;
                }
                if (wanted == u'\0') {
                    break;
                }
            }
            return name.size() == length ? 0 : -1;
        });
    }

    // order(entry) says where the entry at that offset lies from the one looked
    // for: 0 it is the one, 1 after it, -1 before it.
    template <class Order>
    std::optional<uint32_t> search(uint64_t directory, int64_t low, int64_t end, Order order) const {
        for (int64_t high = end - 1; low <= high;) {
            const int64_t middle = (low + high) / 2;
            const uint64_t at = directory + 16 + static_cast<uint64_t>(middle) * 8;
            const int found = order(at);
            if (found == 0) {
                return word(at + 4);
            }
            if (found > 0) {
                high = middle - 1;
            } else {
                low = middle + 1;
            }
        }
        return std::nullopt;
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

SetupContents contentsOf(const Image& image) {
    const std::optional<FileRange> package = image.rcdata(u"MSI");
    const std::optional<FileRange> code = image.rcdata(u"PRODUCT_CODE");
    if (!package || !code) {
        throw NotASetup();
    }
    SetupContents contents{*package, textOf(*code), std::nullopt, std::nullopt, {}, std::nullopt};
    if (registryForm(toUtf16(contents.productCode)) != contents.productCode) {
        throw Damaged("its product code is not a GUID in registry form");
    }
    if (const std::optional<FileRange> facts = image.rcdata(u"SETUP")) {
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
    if (const std::optional<FileRange> list = image.rcdata(u"CABINETS")) {
        const CabinetList cabinets = parseCabinetList(textOf(*list));
        if (!cabinets.fault.empty()) {
            throw Damaged(cabinets.fault);
        }
        for (size_t i = 0; i < cabinets.names.size(); ++i) {
            // At most maxCabinets: each has a resource number.
            const std::optional<FileRange> bytes = image.rcdata(static_cast<uint16_t>(i + 1));
            if (!bytes) {
                throw Damaged("the cabinet '" + shown(cabinets.names[i]) + "' is not there");
            }
            contents.cabinets.push_back(SetupContents::Cabinet{cabinets.names[i], *bytes});
        }
    }
    if (const std::optional<FileRange> checksums = image.rcdata(u"CHECKSUMS")) {
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

bool isSetupProgram(const FileRange& file) {
    try {
        readSetup(file, "");
        return true;
    } catch (const PackError&) {
        return false;
    }
}

SetupContents readSetup(const FileRange& file, const std::string& path) {
    try {
        if (!looksLikeProgram(file)) {
            throw NotASetup();
        }
        return contentsOf(Image(file));
    } catch (const NotASetup&) {
        throw PackError(path + ": not a setup program made by tarnell-pack");
    } catch (const Damaged& e) {
        throw PackError(path + ": a damaged setup program: " + e.what());
    }
}

} // namespace pack
