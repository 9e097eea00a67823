#include "StubImage.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "ErrorHandling.h"
#include "PeChecksum.h"

namespace {

// Read in pieces of this size: large enough that the calls cost nothing
// beside the copying, small enough to stay in the processor's cache.
constexpr DWORD copyChunkSize = 1 << 20;

[[noreturn]] void unexpectedLayout(const char* reason) {
    THROW_RUNTIME_ERROR("The launcher stub has an unexpected layout: " << reason);
}

ULONGLONG alignUp(ULONGLONG value, DWORD alignment) { return (value + alignment - 1) / alignment * alignment; }

bool isNamed(const IMAGE_SECTION_HEADER& section, const char* name) {
    return std::strncmp(reinterpret_cast<const char*>(section.Name), name, IMAGE_SIZEOF_SHORT_NAME) == 0;
}

template <class T>
T readAt(const BYTE* bytes, size_t size, size_t offset) {
    if (offset > size || size - offset < sizeof(T)) {
        unexpectedLayout("its headers end early");
    }
    T value;
    std::memcpy(&value, bytes + offset, sizeof(value));
    return value;
}

size_t findResourceSection(const std::vector<IMAGE_SECTION_HEADER>& sections) {
    const auto found = std::find_if(sections.begin(), sections.end(),
                                    [](const IMAGE_SECTION_HEADER& s) { return isNamed(s, ".rsrc"); });
    if (found == sections.end()) {
        unexpectedLayout("no .rsrc section");
    }
    return static_cast<size_t>(found - sections.begin());
}

bool contains(const IMAGE_SECTION_HEADER& section, const IMAGE_DATA_DIRECTORY& directory) {
    return directory.VirtualAddress >= section.VirtualAddress &&
           ULONGLONG{directory.VirtualAddress} + directory.Size <=
               ULONGLONG{section.VirtualAddress} + section.Misc.VirtualSize;
}

// Everything written goes into the checksum too.
class ChecksummedOutput {
public:
    explicit ChecksummedOutput(StagedFile& file) : file(file) {}

    void write(const void* data, size_t size) {
        checksum.add(data, size);
        file.write(data, static_cast<DWORD>(size));
    }

    DWORD checksumValue() const { return checksum.value(); }

private:
    StagedFile& file;
    PeChecksum checksum;
};

void copyTail(InputFile& tail, DWORD size, ChecksummedOutput& out) {
    std::vector<BYTE> buffer(std::min(size, copyChunkSize));
    for (DWORD left = size; left > 0;) {
        const DWORD chunk = std::min(left, copyChunkSize);
        tail.read(buffer.data(), chunk);
        out.write(buffer.data(), chunk);
        left -= chunk;
    }
}

} // namespace

StubImage::StubImage(const BYTE* bytes, size_t size) : bytes(bytes), size(size) {
    const auto dos = readAt<IMAGE_DOS_HEADER>(bytes, size, 0);
    if (dos.e_magic != IMAGE_DOS_SIGNATURE) {
        unexpectedLayout("no DOS header");
    }
    headersOffset = static_cast<size_t>(dos.e_lfanew);
    headers = readAt<IMAGE_NT_HEADERS64>(bytes, size, headersOffset);
    if (headers.Signature != IMAGE_NT_SIGNATURE || headers.OptionalHeader.Magic != IMAGE_NT_OPTIONAL_HDR64_MAGIC ||
        headers.FileHeader.SizeOfOptionalHeader != sizeof(IMAGE_OPTIONAL_HEADER64)) {
        unexpectedLayout("not a 64-bit image with a complete optional header");
    }
    for (WORD i = 0; i < headers.FileHeader.NumberOfSections; ++i) {
        sections.push_back(readAt<IMAGE_SECTION_HEADER>(
            bytes, size, headersOffset + sizeof(IMAGE_NT_HEADERS64) + i * sizeof(IMAGE_SECTION_HEADER)));
    }
    resourceIndex = findResourceSection(sections);
    checkLayout();
}

void StubImage::checkLayout() const {
    const IMAGE_SECTION_HEADER& resource = resourceSection();
    const IMAGE_SECTION_HEADER& last = sections.back();
    if (sections.size() - resourceIndex > 2 || (hasRelocations() && !isNamed(last, ".reloc"))) {
        unexpectedLayout("sections other than .reloc after .rsrc");
    }
    if (hasRelocations() && last.PointerToRawData != resource.PointerToRawData + resource.SizeOfRawData) {
        unexpectedLayout("a gap between .rsrc and .reloc");
    }
    if (ULONGLONG{last.PointerToRawData} + last.SizeOfRawData != size) {
        unexpectedLayout("data after the last section");
    }
    const IMAGE_DATA_DIRECTORY* directories = headers.OptionalHeader.DataDirectory;
    if (!contains(resource, directories[IMAGE_DIRECTORY_ENTRY_RESOURCE]) ||
        directories[IMAGE_DIRECTORY_ENTRY_RESOURCE].VirtualAddress != resource.VirtualAddress) {
        unexpectedLayout("the resource directory does not start .rsrc");
    }
    if (directories[IMAGE_DIRECTORY_ENTRY_SECURITY].Size != 0) {
        unexpectedLayout("a signature");
    }
    for (DWORD i = 0; i < IMAGE_NUMBEROF_DIRECTORY_ENTRIES; ++i) {
        const IMAGE_DATA_DIRECTORY& directory = directories[i];
        const bool moves = i == IMAGE_DIRECTORY_ENTRY_BASERELOC && hasRelocations() && contains(last, directory);
        if (i != IMAGE_DIRECTORY_ENTRY_RESOURCE && !moves && directory.Size != 0 &&
            ULONGLONG{directory.VirtualAddress} + directory.Size > resource.VirtualAddress) {
            unexpectedLayout("header data in or after .rsrc");
        }
    }
}

ResourceTable StubImage::resources() const {
    const IMAGE_SECTION_HEADER& resource = resourceSection();
    return ResourceTable::parse(bytes + resource.PointerToRawData,
                                std::min(resource.SizeOfRawData, resource.Misc.VirtualSize), resource.VirtualAddress);
}

std::vector<BYTE> StubImage::frontFor(ULONGLONG sectionSize) const {
    IMAGE_NT_HEADERS64 newHeaders = headers;
    IMAGE_OPTIONAL_HEADER64& optional = newHeaders.OptionalHeader;
    std::vector<IMAGE_SECTION_HEADER> newSections = sections;
    IMAGE_SECTION_HEADER& resource = newSections[resourceIndex];
    IMAGE_SECTION_HEADER& last = newSections.back();

    const ULONGLONG resourceEnd = resource.VirtualAddress + sectionSize;
    const ULONGLONG relocationsStart = alignUp(resourceEnd, optional.SectionAlignment);
    const ULONGLONG imageSize =
        alignUp(hasRelocations() ? relocationsStart + last.Misc.VirtualSize : resourceEnd, optional.SectionAlignment);
    if (imageSize > MAXDWORD) {
        THROW_RUNTIME_ERROR("The package is too large: a setup program must stay below 4 GiB");
    }

    resource.Misc.VirtualSize = static_cast<DWORD>(sectionSize);
    resource.SizeOfRawData = static_cast<DWORD>(alignUp(sectionSize, optional.FileAlignment));
    optional.SizeOfInitializedData += resource.SizeOfRawData - resourceSection().SizeOfRawData;
    optional.DataDirectory[IMAGE_DIRECTORY_ENTRY_RESOURCE].Size = static_cast<DWORD>(sectionSize);
    if (hasRelocations()) {
        last.VirtualAddress = static_cast<DWORD>(relocationsStart);
        last.PointerToRawData = resource.PointerToRawData + resource.SizeOfRawData;
        optional.DataDirectory[IMAGE_DIRECTORY_ENTRY_BASERELOC].VirtualAddress +=
            last.VirtualAddress - sections.back().VirtualAddress;
    }
    optional.SizeOfImage = static_cast<DWORD>(imageSize);
    // Filled in when the whole file has been summed.
    optional.CheckSum = 0;

    std::vector<BYTE> front(bytes, bytes + resource.PointerToRawData);
    std::memcpy(front.data() + headersOffset, &newHeaders, sizeof(newHeaders));
    std::memcpy(front.data() + headersOffset + sizeof(newHeaders), newSections.data(),
                newSections.size() * sizeof(IMAGE_SECTION_HEADER));
    return front;
}

void StubImage::write(const ResourceTable& resources, InputFile& tail, StagedFile& out) const {
    const ResourceTable::Layout layout = resources.layOut(resourceSection().VirtualAddress);
    const ULONGLONG sectionSize = layout.head.size() + ULONGLONG{layout.tailSize};
    const std::vector<BYTE> front = frontFor(sectionSize);

    ChecksummedOutput image(out);
    image.write(front.data(), front.size());
    image.write(layout.head.data(), layout.head.size());
    copyTail(tail, layout.tailSize, image);
    const std::vector<BYTE> padding(alignUp(sectionSize, headers.OptionalHeader.FileAlignment) - sectionSize);
    image.write(padding.data(), padding.size());
    if (hasRelocations()) {
        const IMAGE_SECTION_HEADER& relocations = sections.back();
        image.write(bytes + relocations.PointerToRawData, relocations.SizeOfRawData);
    }
    const DWORD checksum = image.checksumValue();
    out.overwrite(headersOffset + offsetof(IMAGE_NT_HEADERS64, OptionalHeader.CheckSum), &checksum, sizeof(checksum));
}
