// Inputs crafted to make a reader work in proportion to the product of two
// counts: each is read once, and the work is counted.
#include <gtest/gtest.h>

#include "Cabinets.h"
#include "CraftedFiles.h"
#include "PackCoreTesting.h"
#include "PackageReader.h"
#include "SetupReader.h"
#include "SummaryInformation.h"

namespace {

using namespace pack;
using namespace packtest;

constexpr uint16_t textType = 0x0D40, shortType = 0x0502;
uint16_t stored(int16_t value) { return static_cast<uint16_t>(value ^ 0x8000); }

// A file in memory that counts the bytes read from it.
class CountedFile : public MemoryFile {
public:
    using MemoryFile::MemoryFile;
    void readAt(uint64_t offset, std::span<std::byte> buffer) override {
        bytesRead += buffer.size();
        MemoryFile::readAt(offset, buffer);
    }
    uint64_t bytesRead = 0;
};

class CountedDecoder : public FakePlatform {
public:
    std::u16string decodeText(uint32_t codePage, std::string_view bytes) override {
        ++decoded;
        return FakePlatform::decodeText(codePage, bytes);
    }
    int decoded = 0;
};

// One long string that _Tables, _Columns (as table and as column name) and
// every Media row name, times times.
Bytes namedManyTimes(uint16_t times) {
    enum : uint16_t { property = 1, value, productCode, guid, media, diskId, lastSequence, cabinet, longString };
    const std::vector<std::string> strings = {"Property", "Value",   "ProductCode",  "{5B8E2C41-7D3F-4A96-8E10-3F6C2D9A7B54}",
                                              "Media",    "DiskId",  "LastSequence", "Cabinet",
                                              std::string(40000, 'x') + ".cab"};
    std::vector<uint16_t> tables = {property, media}, tableOf = {property, property, media, media, media},
                          number = {stored(1), stored(2), stored(1), stored(2), stored(3)},
                          name = {property, value, diskId, lastSequence, cabinet},
                          type = {stored(textType), stored(textType), stored(shortType), stored(shortType), stored(textType)};
    std::vector<uint16_t> disks, sequences, cabinets;
    for (uint16_t i = 1; i <= times; ++i) {
        tables.push_back(longString);
        tableOf.push_back(longString);
        number.push_back(stored(1));
        name.push_back(longString);
        type.push_back(stored(textType));
        disks.push_back(stored(static_cast<int16_t>(i)));
        sequences.push_back(stored(static_cast<int16_t>(i)));
        cabinets.push_back(longString);
    }
    return installerPackage(strings, {{"_Tables", tableStream({tables})},
                                      {"_Columns", tableStream({tableOf, number, name, type})},
                                      {"Property", tableStream({{productCode}, {guid}})},
                                      {"Media", tableStream({disks, sequences, cabinets})}});
}

TEST(BoundedInputTest, AStringNamedThousandsOfTimesIsDecodedAndHeldOnce) {
    CountedDecoder decoder;
    MemoryFile file(namedManyTimes(4000));
    const PackageInfo info = pack::readPackage(FileRange(file), decoder, "x.msi");
    EXPECT_EQ(toUtf8(info.productCode), "{5B8E2C41-7D3F-4A96-8E10-3F6C2D9A7B54}");
    ASSERT_EQ(info.media.size(), 4000u);
    EXPECT_EQ(info.cabinets.size(), 1u);
    EXPECT_EQ(info.cabinetOf(info.media.back()).size(), 40004u);
    EXPECT_EQ(decoder.decoded, 2) << "the ProductCode and the cabinet's name";
}

TEST(BoundedInputTest, TheSummaryKeepsOneTextOfEachPropertyItReads) {
    const std::string text(40000, 'T');
    Bytes stream(48);
    writeLe<uint16_t>(stream, 0, 0xFFFE);
    writeLe<uint32_t>(stream, 44, 48);
    constexpr uint32_t count = 20000;
    putLe(stream, 8 + count * 8 + 8 + static_cast<uint32_t>(text.size()), 4);
    putLe(stream, count, 4);
    for (uint32_t i = 0; i < count; ++i) {
        putLe(stream, i % 2 == 0 ? SummaryInformation::templateProperty : 100 + i, 4);
        putLe(stream, 8 + count * 8, 4);  // every property the one text
    }
    putLe(stream, 30, 4);
    putLe(stream, static_cast<uint32_t>(text.size()), 4);
    const auto bytes = asBytes(text);
    stream.insert(stream.end(), bytes.begin(), bytes.end());
    const SummaryInformation summary = readSummaryInformation(stream);
    EXPECT_EQ(summary.texts.size(), 1u);
    EXPECT_EQ(summary.texts.at(SummaryInformation::templateProperty), text);
}

// A resource section whose root lists RT_RCDATA copies times, each time with
// the same directory of names: MSI, PRODUCT_CODE and the numbers 1 to
// numbered, all holding the same data.
Bytes resourcesListedManyTimes(uint16_t copies, uint16_t numbered, uint32_t rva) {
    const uint32_t names = 16 + copies * 8u, languages = names + 16 + (numbered + 2u) * 8,
                   dataEntry = languages + 24, msiName = dataEntry + 16, codeName = msiName + 8, data = codeName + 28;
    Bytes section;
    const auto directory = [&](uint16_t named, uint16_t ids) {
        section.resize(section.size() + 12);
        putLe(section, named, 2);
        putLe(section, ids, 2);
    };
    directory(0, copies);
    for (uint16_t i = 0; i < copies; ++i) {
        putLe(section, 10, 4);
        putLe(section, 0x80000000 | names, 4);
    }
    directory(2, numbered);
    for (const uint32_t name : {0x80000000 | msiName, 0x80000000 | codeName}) {
        putLe(section, name, 4);
        putLe(section, 0x80000000 | languages, 4);
    }
    for (uint16_t i = 1; i <= numbered; ++i) {
        putLe(section, i, 4);
        putLe(section, 0x80000000 | languages, 4);
    }
    directory(0, 1);
    putLe(section, 0, 4);
    putLe(section, dataEntry, 4);
    const std::string code = productCode;
    for (const uint32_t value : {rva + data, static_cast<uint32_t>(code.size()), 0u, 0u}) {
        putLe(section, value, 4);
    }
    for (const std::u16string_view name : {u"MSI", u"PRODUCT_CODE"}) {
        putLe(section, static_cast<uint32_t>(name.size()), 2);
        for (const char16_t c : name) {
            putLe(section, c, 2);
        }
    }
    section.resize(data);
    const auto bytes = asBytes(code);
    section.insert(section.end(), bytes.begin(), bytes.end());
    return section;
}

TEST(BoundedInputTest, TheSetupReaderStopsAtTheOneResourceDirectoryTheLoaderUses) {
    const Bytes section = resourcesListedManyTimes(1000, 1000, 0x2000);
    const StubFields fields{.rsrcRawOffset = 0xA00, .rsrcRawSize = static_cast<uint32_t>(section.size())};
    Bytes image = stubImage(fields);
    image.resize(0xA00);
    image.insert(image.end(), section.begin(), section.end());
    CountedFile file(image);
    const SetupContents contents = readSetup(FileRange(file), "setup.exe");
    EXPECT_EQ(contents.productCode, productCode);
    EXPECT_EQ(contents.package.size(), contents.productCode.size());
    EXPECT_LT(file.bytesRead, image.size() / 4) << "a few entries of each directory, searched by halves";
}

} // namespace
