#pragma once

#include <windows.h>

#include <vector>

#include "PackFiles.h"
#include "ResourceTable.h"

// The launcher without package resources, as the tool carries it: a 64-bit
// image whose last sections are .rsrc and .reloc, in this order, with nothing
// after them. The resource section can then grow in place: of what follows,
// only the relocations move, and only the header refers to them.
class StubImage {
public:
    StubImage(const BYTE* bytes, size_t size);

    ResourceTable resources() const;

    // The stub with its resource section replaced by resources, whose tail's
    // bytes are read from tail; the header's checksum is the new file's.
    void write(const ResourceTable& resources, InputFile& tail, StagedFile& out) const;

private:
    const IMAGE_SECTION_HEADER& resourceSection() const { return sections[resourceIndex]; }
    bool hasRelocations() const { return resourceIndex + 1 < sections.size(); }
    void checkLayout() const;
    // The file up to the resource section, its headers made for a section of sectionSize bytes.
    std::vector<BYTE> frontFor(ULONGLONG sectionSize) const;

    const BYTE* bytes;
    size_t size;
    size_t headersOffset = 0;
    IMAGE_NT_HEADERS64 headers{};
    std::vector<IMAGE_SECTION_HEADER> sections;
    size_t resourceIndex = 0;
};
