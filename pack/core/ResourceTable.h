#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "Bytes.h"

namespace pack {

// Resource types this program writes.
namespace resourceType {
inline constexpr uint16_t icon = 3;
inline constexpr uint16_t rcdata = 10;
inline constexpr uint16_t groupIcon = 14;
inline constexpr uint16_t version = 16;
inline constexpr uint16_t manifest = 24;
} // namespace resourceType

inline constexpr uint16_t neutralLanguage = 0;

// A resource type, name or language: a number, or a name kept in upper case,
// the form in which the system's lookup searches the table.
class ResourceId {
public:
    ResourceId(uint16_t number) : number(number) {}
    ResourceId(std::u16string_view name);
    ResourceId(const char16_t* name) : ResourceId(std::u16string_view(name)) {}

    bool isNumber() const { return name.empty(); }
    uint16_t getNumber() const { return number; }
    const std::u16string& getName() const { return name; }

    // Names before numbers, each in ascending order: the lookup searches the
    // entries of a directory by halves.
    bool operator<(const ResourceId& other) const;

private:
    std::u16string name;
    uint16_t number = 0;
};

// The resources of an image, laid out as the content of its resource section.
// Streamed resources are only sized here: their bytes end the section, in the
// order they were added, and the caller writes them, since a package need not
// fit in memory.
class ResourceTable {
public:
    // The resources of a section as a resource compiler or layOut left them;
    // throws PackError naming what is malformed.
    static ResourceTable parse(std::span<const std::byte> section, uint32_t sectionRva);

    // Each replaces a resource with the same type, name and language.
    void add(const ResourceId& type, const ResourceId& name, uint16_t language, Bytes data);
    void addStreamed(const ResourceId& type, const ResourceId& name, uint16_t language, uint64_t size);

    // The section for an image that maps it at sectionRva: head, then each
    // streamed resource's bytes, each starting at the next multiple of 8.
    struct Layout {
        Bytes head;
        std::vector<uint64_t> streamed;  // sizes, in the order written

        // The section's size with every streamed resource, in 64 bits: the
        // caller refuses a section the image cannot hold before writing any.
        uint64_t size() const;
    };
    Layout layOut(uint32_t sectionRva) const;

    struct Entry {
        Bytes data;
        std::optional<size_t> stream;  // set for a streamed resource, whose bytes are not held: its place in line
        uint64_t streamSize = 0;
    };
    using Languages = std::map<uint16_t, Entry>;
    using Names = std::map<ResourceId, Languages>;
    using Types = std::map<ResourceId, Names>;

    const Types& getTypes() const { return types; }

private:
    Types types;
    size_t streamCount = 0;
};

} // namespace pack
