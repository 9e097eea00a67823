#include "SummaryInformation.h"

#include "Bytes.h"
#include "CompoundFile.h"

namespace pack {
namespace {

// The set's header: byte order, version, system, class, number of sections,
// then the first section's format identifier and offset.
constexpr size_t headerSize = 48, sectionOffset = 44;
constexpr uint16_t typeShort = 2, typeText = 30;
constexpr uint32_t codePageProperty = 1;

[[noreturn]] void damaged() { throw DamagedPackage("its summary information lies outside its stream"); }

} // namespace

SummaryInformation readSummaryInformation(std::span<const std::byte> stream) {
    if (stream.size() < headerSize || readLe<uint16_t>(stream, 0) != 0xFFFE) {
        damaged();
    }
    const uint32_t section = readLe<uint32_t>(stream, sectionOffset);
    if (!within(stream.size(), section, 8)) {
        damaged();
    }
    const uint32_t count = readLe<uint32_t>(stream, section + 4);
    if (!within(stream.size(), section + 8, uint64_t{count} * 8)) {
        damaged();
    }
    SummaryInformation summary;
    // Views until the end: a set may list a property many times, each time the same long text.
    std::map<uint32_t, std::string_view> texts;
    for (uint32_t i = 0; i < count; ++i) {
        const uint32_t id = readLe<uint32_t>(stream, section + 8 + i * 8);
        const uint64_t at = uint64_t{section} + readLe<uint32_t>(stream, section + 12 + i * 8);
        if (!within(stream.size(), at, 4)) {
            damaged();
        }
        const uint16_t type = readLe<uint16_t>(stream, at);
        if (type == typeShort && id == codePageProperty && within(stream.size(), at + 4, 2)) {
            summary.codePage = readLe<uint16_t>(stream, at + 4);
        } else if (type == typeText) {
            if (!within(stream.size(), at + 4, 4) || !within(stream.size(), at + 8, readLe<uint32_t>(stream, at + 4))) {
                damaged();
            }
            if (id == SummaryInformation::templateProperty || id == SummaryInformation::revisionNumber) {
                texts[id] = std::string_view(reinterpret_cast<const char*>(stream.data() + at + 8),
                                             readLe<uint32_t>(stream, at + 4));
            }
        }
    }
    for (const auto& [id, text] : texts) {
        // The length counts the terminating zero.
        summary.texts[id] = std::string(text.substr(0, text.find('\0')));
    }
    return summary;
}

} // namespace pack
