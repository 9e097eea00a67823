// The packer's byte layouts: resource sections, the version and icon
// resources and the stub reader.
#include <gtest/gtest.h>

#include "IconFile.h"
#include "PackCoreTesting.h"
#include "ResourceTable.h"
#include "StubImage.h"
#include "Text.h"
#include "VersionInfo.h"

namespace {

using namespace pack;
using namespace packtest;

TEST(PackImageTest, ResourceDirectoriesListNamesFirstThenNumbersInOrder) {
    ResourceTable table;
    table.add(resourceType::rcdata, u"zed", 0, bytesOf("z"));
    table.add(u"ALPHA", uint16_t{1}, 0, bytesOf("a"));
    table.add(u"Zed", uint16_t{1}, 0, bytesOf("Z"));
    table.add(resourceType::icon, uint16_t{1}, 0, bytesOf("i"));
    const Bytes head = table.layOut(0x1000).head;

    EXPECT_EQ(readLe<uint16_t>(head, 12), 2) << "named entries";
    EXPECT_EQ(readLe<uint16_t>(head, 14), 2) << "id entries";
    std::vector<std::string> order;
    for (size_t i = 0; i < 4; ++i) {
        const uint32_t name = readLe<uint32_t>(head, 16 + i * 8);
        if (name & 0x80000000) {
            const size_t at = name & 0x7FFFFFFF;
            std::u16string text;
            for (uint16_t k = 0; k < readLe<uint16_t>(head, at); ++k) {
                text += static_cast<char16_t>(readLe<uint16_t>(head, at + 2 + k * 2));
            }
            order.push_back(toUtf8(text));
        } else {
            order.push_back(std::to_string(name));
        }
    }
    EXPECT_EQ(order, (std::vector<std::string>{"ALPHA", "ZED", "3", "10"}));
}

TEST(PackImageTest, StreamedResourcesEndTheSectionInTheirOrderAndReadBack) {
    ResourceTable table;
    table.addStreamed(resourceType::rcdata, u"MSI", 0, 5);
    table.add(resourceType::rcdata, u"PRODUCT_CODE", 0, bytesOf("{code}"));
    table.addStreamed(resourceType::rcdata, uint16_t{1}, 0, 3);
    const ResourceTable::Layout layout = table.layOut(0x2000);
    ASSERT_EQ(layout.streamed, (std::vector<uint64_t>{5, 3}));
    EXPECT_EQ(layout.head.size() % 8, 0u) << "the first streamed resource starts aligned";
    EXPECT_EQ(layout.size(), layout.head.size() + 8 + 3) << "the second starts aligned too";

    Bytes section = layout.head;
    for (const char* text : {"msi!!\0\0\0", "cab"}) {
        const Bytes bytes = bytesOf(std::string_view(text, std::strlen(text) == 5 ? 8 : 3));
        section.insert(section.end(), bytes.begin(), bytes.end());
    }
    const ResourceTable::Types types = ResourceTable::parse(section, 0x2000).getTypes();
    const auto& rcdata = types.at(resourceType::rcdata);
    EXPECT_EQ(textOf(rcdata.at(u"msi").at(0).data), "msi!!");
    EXPECT_EQ(textOf(rcdata.at(uint16_t{1}).at(0).data), "cab");
    EXPECT_EQ(textOf(rcdata.at(u"product_code").at(0).data), "{code}");
}

TEST(PackImageTest, MalformedResourceSectionsAreRefused) {
    ResourceTable table;
    table.add(resourceType::rcdata, u"MSI", 0, bytesOf("package"));
    const Bytes head = table.layOut(0x3000).head;
    const std::span<const std::byte> bytes(head);
    EXPECT_THROW(ResourceTable::parse(bytes.first(head.size() - 2), 0x3000), PackError) << "data beyond the end";
    EXPECT_THROW(ResourceTable::parse(bytes, 0x4000), PackError) << "data before the section";
    EXPECT_THROW(ResourceTable::parse(bytes.first(10), 0x3000), PackError) << "a cut directory";
}

// The blocks of a version resource, each checked to lie inside its parent.
struct VersionBlock {
    std::string key;
    uint16_t length, valueLength;
    std::u16string text;  // a text value
    std::vector<VersionBlock> children;
};

VersionBlock readBlock(std::span<const std::byte> bytes, size_t at, size_t end) {
    VersionBlock block{"", readLe<uint16_t>(bytes, at), readLe<uint16_t>(bytes, at + 2), u"", {}};
    EXPECT_LE(at + block.length, end) << "a block outgrows its parent";
    size_t p = at + 6;
    std::u16string key;
    for (; readLe<uint16_t>(bytes, p) != 0; p += 2) {
        key += static_cast<char16_t>(readLe<uint16_t>(bytes, p));
    }
    block.key = toUtf8(key);
    p = (p + 2 + 3) / 4 * 4;
    const bool isText = readLe<uint16_t>(bytes, at + 4) == 1;
    for (uint16_t i = 0; isText && i + 1 < block.valueLength; ++i) {
        block.text += static_cast<char16_t>(readLe<uint16_t>(bytes, p + i * 2));
    }
    p += isText ? block.valueLength * 2 : block.valueLength;
    for (p = (p + 3) / 4 * 4; p < at + block.length; p = (p + 3) / 4 * 4) {
        block.children.push_back(readBlock(bytes, p, at + block.length));
        p += block.children.back().length;
    }
    return block;
}

TEST(PackImageTest, VersionInformationStaysWithinItsLengthsForAnyProductName) {
    const std::u16string longName(16000, u'N');
    const std::u16string pairAtTheCut = std::u16string(maxVersionTextLength - 1, u'n') + u"\U0001F600";
    for (const std::u16string& name : {std::u16string(u"Tarnell"), longName, pairAtTheCut}) {
        const Bytes resource = versionResource({name, u"2.5.7", u"Tarnell Testers", u"setup.exe"});
        const VersionBlock root = readBlock(resource, 0, resource.size());
        EXPECT_EQ(root.length, resource.size());
        EXPECT_EQ(root.key, "VS_VERSION_INFO");
        EXPECT_EQ(readLe<uint32_t>(resource, 40), 0xFEEF04BDu) << "the fixed information follows the key";
        EXPECT_EQ(readLe<uint32_t>(resource, 40 + 16), 0x00020005u) << "product version, high half";
        ASSERT_EQ(root.children.size(), 2u);
        const VersionBlock& table = root.children[0].children.at(0);
        EXPECT_EQ(table.key, "040904B0");
        std::map<std::string, std::u16string> strings;
        for (const VersionBlock& string : table.children) {
            strings[string.key] = string.text;
        }
        const std::u16string shownName = name.substr(0, name == pairAtTheCut ? name.size() - 2 : maxVersionTextLength);
        EXPECT_EQ(strings["ProductName"], shownName);
        EXPECT_EQ(strings["ProductVersion"], u"2.5.7");
        EXPECT_EQ(strings["OriginalFilename"], u"setup.exe");
        EXPECT_EQ(root.children[1].children.at(0).key, "Translation");
    }
}

// An icon file: for each image its directory fields (planes, bit count) and bytes.
struct IconImage {
    uint16_t planes, bitCount;
    Bytes bytes;
    std::optional<uint32_t> offset = std::nullopt;  // default: after the previous image
};

Bytes iconFile(const std::vector<IconImage>& images, size_t count = 0) {
    ByteWriter file;
    file.put<uint16_t>(0);
    file.put<uint16_t>(1);
    file.put<uint16_t>(static_cast<uint16_t>(count ? count : images.size()));
    uint32_t offset = static_cast<uint32_t>(6 + images.size() * 16);
    for (const IconImage& image : images) {
        file.put<uint32_t>(0x00002020);  // 32 x 32, no palette
        file.put<uint16_t>(image.planes);
        file.put<uint16_t>(image.bitCount);
        file.put<uint32_t>(static_cast<uint32_t>(image.bytes.size()));
        file.put<uint32_t>(image.offset.value_or(offset));
        offset += static_cast<uint32_t>(image.bytes.size());
    }
    for (const IconImage& image : images) {
        file.putBytes(image.bytes);
    }
    return file.bytes();
}

// A bitmap header (size 40, 32 x 32 pixels in two halves) and room for pixels.
Bytes bitmapImage(uint16_t planes, uint16_t bitCount) {
    Bytes image(128);
    writeLe<uint32_t>(image, 0, 40);
    writeLe<uint32_t>(image, 4, 32);
    writeLe<uint32_t>(image, 8, 64);
    writeLe<uint16_t>(image, 12, planes);
    writeLe<uint16_t>(image, 14, bitCount);
    return image;
}

TEST(PackImageTest, IconGroupsGetPlanesAndBitCountsAsAResourceCompilerWritesThem) {
    const Bytes png = bytesOf("\x89PNG\r\n\x1A\n and the rest");
    const Bytes file = iconFile({{0, 0, bitmapImage(1, 8)}, {1, 4, bitmapImage(1, 8)}, {0, 0, png}, {0, 24, png}});
    ResourceTable resources;
    addIcon(resources, file, "app.ico");
    const Bytes group = resources.getTypes().at(resourceType::groupIcon).at(uint16_t{1}).at(0).data;
    ASSERT_EQ(group.size(), 6u + 4 * 14);
    const uint16_t expected[][3] = {{1, 8, 1}, {1, 4, 2}, {1, 32, 3}, {1, 24, 4}};  // planes, bit count, id
    for (size_t i = 0; i < 4; ++i) {
        const size_t entry = 6 + i * 14;
        EXPECT_EQ(readLe<uint16_t>(group, entry + 4), expected[i][0]) << i;
        EXPECT_EQ(readLe<uint16_t>(group, entry + 6), expected[i][1]) << i;
        EXPECT_EQ(readLe<uint16_t>(group, entry + 12), expected[i][2]) << i;
    }
    EXPECT_EQ(resources.getTypes().at(resourceType::icon).at(uint16_t{3}).at(0).data, png);
}

Bytes cut(Bytes bytes, size_t size) {
    bytes.resize(size);
    return bytes;
}

TEST(PackImageTest, IconFilesThatCouldBlowUpAreRefusedByName) {
    const Bytes image = bitmapImage(1, 32);
    std::vector<IconImage> many(257, IconImage{1, 32, {}, 6 + 257 * 16});
    many[0].bytes = image;
    const struct {
        Bytes file;
        const char* reason;
    } rows[] = {
        {iconFile(many), "257 images (1 to 256 expected)"},
        {cut(iconFile({{1, 32, image}}, 2), 6 + 16 + 8), "its directory is cut short"},
        {bytesOf("GIF89a"), "no icon directory"},
        {iconFile({{1, 32, image, 0x7FFFFFF0}}), "image 1 lies outside the file"},
        {iconFile({{1, 32, image, 2}}), "image 1 lies outside the file"},
        {iconFile({{1, 32, image}, {1, 32, image, 6 + 2 * 16 + 8}}), "images overlap"},
    };
    for (const auto& row : rows) {
        ResourceTable resources;
        try {
            addIcon(resources, row.file, "dir/app.ico");
            ADD_FAILURE() << "accepted: " << row.reason;
        } catch (const PackError& e) {
            EXPECT_EQ(std::string(e.what()), std::string("dir/app.ico: not an icon file: ") + row.reason);
        }
    }
}

TEST(PackImageTest, StubReaderRefusesImagesItCannotGrowSafely) {
    const struct {
        StubFields fields;
        const char* reason;
    } rows[] = {
        {StubFields{.ntHeaders = 0xFFFFFFF0}, "not a 64-bit image with a complete optional header"},
        {StubFields{.fileAlignment = 0x300}, "alignments that are not powers of two of at least 512 bytes in the file"},
        {StubFields{.sectionCount = 0}, "its section table lies outside its headers"},
        {StubFields{.headersSize = 0x100}, "its section table lies outside its headers"},
        {StubFields{.rsrcRawOffset = 0x100}, "a section's data lies outside the file or in its headers"},
        {StubFields{.rsrcRawOffset = 0xFFFFFF00}, "a section's data lies outside the file or in its headers"},
        {StubFields{.rsrcRawSize = 0xFFFFFE00}, "a section's data lies outside the file or in its headers"},
        {StubFields{.textRawOffset = 0x500}, "a section before .rsrc that reaches into it"},
        {StubFields{.rsrcRawSize = 0x100}, "a gap between .rsrc and .reloc"},
        {StubFields{.signatureSize = 0x100}, "a signature"},
    };
    for (const auto& row : rows) {
        const Bytes image = stubImage(row.fields);
        try {
            const StubImage stub(image);
            ADD_FAILURE() << "accepted: " << row.reason;
        } catch (const PackError& e) {
            EXPECT_EQ(std::string(e.what()), std::string("the launcher stub has an unexpected layout: ") + row.reason);
        }
    }
}

TEST(PackImageTest, ImageSizeAtTheTwoGibibyteEdge) {
    const Bytes image = stubImage();
    const StubImage stub(image);
    // .rsrc at 0x2000, then .reloc in a 0x1000 page of its own.
    EXPECT_EQ(stub.imageSizeFor(0x7FFFC000), 0x7FFFF000u);
    EXPECT_EQ(stub.imageSizeFor(0x7FFFC001), StubImage::maxImageSize);
}

} // namespace
