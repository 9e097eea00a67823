#include "IconFile.h"

#include <algorithm>
#include <vector>

#include "Platform.h"

namespace pack {
namespace {

constexpr size_t directoryHeaderSize = 6;  // reserved, type, count
constexpr size_t fileEntrySize = 16;       // ends with the image's size and file offset
constexpr size_t imageFieldsSize = 12;     // what the group entry keeps of it: up to the image's size
constexpr size_t planesField = 4, bitCountField = 6, sizeField = 8, offsetField = 12;
constexpr uint16_t iconType = 1;
constexpr uint32_t bitmapHeaderSize = 40;
constexpr uint8_t pngSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

struct Image {
    size_t entry;  // offset of its directory entry
    uint32_t size;
    uint32_t offset;
};

[[noreturn]] void refuse(const std::string& path, const std::string& reason) {
    throw PackError(path + ": not an icon file: " + reason);
}

bool isPng(std::span<const std::byte> image) {
    return image.size() >= sizeof(pngSignature) &&
           std::equal(std::begin(pngSignature), std::end(pngSignature), image.begin(),
                      [](uint8_t a, std::byte b) { return a == std::to_integer<uint8_t>(b); });
}

// The planes and bit count a resource compiler writes when the file leaves
// them 0: those of the image's bitmap header, or 1 and 32 for a PNG image.
void completeFormat(std::span<std::byte> groupEntry, std::span<const std::byte> image) {
    if (readLe<uint16_t>(groupEntry, planesField) != 0 && readLe<uint16_t>(groupEntry, bitCountField) != 0) {
        return;
    }
    uint16_t planes = 1;
    uint16_t bitCount = 32;
    if (!isPng(image) && image.size() >= bitmapHeaderSize && readLe<uint32_t>(image, 0) == bitmapHeaderSize) {
        planes = readLe<uint16_t>(image, 12);
        bitCount = readLe<uint16_t>(image, 14);
    }
    if (readLe<uint16_t>(groupEntry, planesField) == 0) {
        writeLe<uint16_t>(groupEntry, planesField, planes);
    }
    if (readLe<uint16_t>(groupEntry, bitCountField) == 0) {
        writeLe<uint16_t>(groupEntry, bitCountField, bitCount);
    }
}

std::vector<Image> readDirectory(std::span<const std::byte> file, const std::string& path) {
    if (file.size() < directoryHeaderSize || readLe<uint16_t>(file, 0) != 0 || readLe<uint16_t>(file, 2) != iconType) {
        refuse(path, "no icon directory");
    }
    const uint16_t count = readLe<uint16_t>(file, 4);
    if (count == 0 || count > maxIconImages) {
        refuse(path, std::to_string(count) + " images (1 to " + std::to_string(maxIconImages) + " expected)");
    }
    const size_t directoryEnd = directoryHeaderSize + count * fileEntrySize;
    if (file.size() < directoryEnd) {
        refuse(path, "its directory is cut short");
    }
    std::vector<Image> images;
    for (size_t i = 0; i < count; ++i) {
        const size_t entry = directoryHeaderSize + i * fileEntrySize;
        const Image image{entry, readLe<uint32_t>(file, entry + sizeField), readLe<uint32_t>(file, entry + offsetField)};
        if (image.size == 0 || image.offset < directoryEnd || !within(file.size(), image.offset, image.size)) {
            refuse(path, "image " + std::to_string(i + 1) + " lies outside the file");
        }
        images.push_back(image);
    }
    // Each image's bytes are copied once: no two images may share any.
    std::vector<Image> byOffset = images;
    std::sort(byOffset.begin(), byOffset.end(), [](const Image& a, const Image& b) { return a.offset < b.offset; });
    for (size_t i = 1; i < byOffset.size(); ++i) {
        if (uint64_t{byOffset[i - 1].offset} + byOffset[i - 1].size > byOffset[i].offset) {
            refuse(path, "images overlap");
        }
    }
    return images;
}

} // namespace

void addIcon(ResourceTable& resources, std::span<const std::byte> file, const std::string& path) {
    const std::vector<Image> images = readDirectory(file, path);
    ByteWriter group;
    group.putBytes(file.first(directoryHeaderSize));
    for (size_t i = 0; i < images.size(); ++i) {
        const Image& image = images[i];
        const std::span<const std::byte> bytes = file.subspan(image.offset, image.size);
        const auto id = static_cast<uint16_t>(i + 1);
        resources.add(resourceType::icon, id, neutralLanguage, Bytes(bytes.begin(), bytes.end()));
        const size_t entry = group.putBytes(file.subspan(image.entry, imageFieldsSize));
        completeFormat(std::span(group.bytes()).subspan(entry, imageFieldsSize), bytes);
        group.put<uint16_t>(id);
    }
    resources.add(resourceType::groupIcon, uint16_t{1}, neutralLanguage, std::move(group.bytes()));
}

} // namespace pack
