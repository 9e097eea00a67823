#pragma once

#include <windows.h>

#include <map>
#include <optional>
#include <vector>

#include "tstrings.h"

// A resource type, name or language: a number, or a name kept in upper case,
// the form in which the system's lookup searches the table.
class ResourceId {
public:
    // A number when value is one made by MAKEINTRESOURCEW, as RT_RCDATA is.
    ResourceId(LPCWSTR value);

    bool isNumber() const { return name.empty(); }
    WORD getNumber() const { return number; }
    const WString& getName() const { return name; }

    // Names before numbers, each in ascending order: the lookup searches the
    // entries of a directory by halves.
    bool operator<(const ResourceId& other) const;

private:
    WString name;
    WORD number = 0;
};

// The resources of an image, laid out as the content of its resource section.
// One resource, the tail, is only sized here: its bytes end the section and
// are written by the caller, since a package need not fit in memory.
class ResourceTable {
public:
    // The resources of a section as a resource compiler or layOut left them.
    static ResourceTable parse(const BYTE* section, size_t size, DWORD sectionRva);

    // Replaces a resource with the same type, name and language.
    void add(const ResourceId& type, const ResourceId& name, WORD language, std::vector<BYTE> data);
    // A table holds one tail at most.
    void addTail(const ResourceId& type, const ResourceId& name, WORD language, DWORD size);

    // The section for an image that maps it at sectionRva: head, then the tail's bytes.
    struct Layout {
        std::vector<BYTE> head;
        DWORD tailSize = 0;

        DWORD size() const { return static_cast<DWORD>(head.size()) + tailSize; }
    };
    Layout layOut(DWORD sectionRva) const;

    struct Entry {
        std::vector<BYTE> data;
        std::optional<DWORD> tailSize;  // set for the tail alone, whose bytes are not held
    };
    using Languages = std::map<ResourceId, Entry>;
    using Names = std::map<ResourceId, Languages>;
    using Types = std::map<ResourceId, Names>;

    const Types& getTypes() const { return types; }

private:
    Types types;
    bool hasTail = false;
};
