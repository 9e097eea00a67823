// The package reader over a real package (made by wixl and msibuild, with its
// files in two cabinets beside it) and over damaged copies of it.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <random>

#include "PackCoreTesting.h"
#include "PackageReader.h"
#include "StreamName.h"
#include "Text.h"

namespace {

using namespace pack;
using namespace packtest;

Bytes testPackage() {
    std::ifstream in(TARNELL_PACKCORE_DATA "/CabinetTest.msi", std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return bytesOf(bytes);
}

// What the reader makes of bytes: "" when it reads them, else its one line.
std::string outcome(Bytes bytes) {
    FakePlatform decoder;
    MemoryFile file(std::move(bytes));
    try {
        pack::readPackage(FileRange(file), decoder, "x.msi");
        return "";
    } catch (const PackError& e) {
        return e.what();
    }
}

TEST(PackageReaderTest, ReadsEveryValueThePackerNeeds) {
    FakePlatform decoder;
    MemoryFile file(testPackage());
    const PackageInfo info = pack::readPackage(FileRange(file), decoder, "CabinetTest.msi");
    EXPECT_EQ(toUtf8(info.productCode), "{8D3F7A94-1E2B-4C5D-9F60-A7B8C9D0E1F2}");
    EXPECT_EQ(toUtf8(info.productName), "Tarnell Cabinet Test");
    EXPECT_EQ(toUtf8(info.productVersion), "1.4.2");
    EXPECT_EQ(toUtf8(info.manufacturer), "Tarnell Pack Testers");
    EXPECT_EQ(toUtf8(info.upgradeCode), "{7A3C1E52-9B40-4D6F-8E21-5C0B7D9A3F18}");
    EXPECT_EQ(info.allUsers, u"") << "a per-user package";
    EXPECT_EQ(toUtf8(info.packageCode), "{AF8FEE31-2F1D-4982-B651-B83B63AE57C9}");
    EXPECT_EQ(toUtf8(info.summaryTemplate), "Intel;1033");
    ASSERT_EQ(info.media.size(), 2u);
    EXPECT_EQ(info.media[0].diskId, 1);
    EXPECT_EQ(info.media[0].lastSequence, 1);
    EXPECT_EQ(info.cabinetOf(info.media[0]), u"cab one.cab");
    EXPECT_EQ(info.media[1].diskId, 2);
    EXPECT_EQ(info.cabinetOf(info.media[1]), u"cab2.cab");
    EXPECT_EQ(info.fileSequences, (std::vector<int32_t>{1, 2}));
}

TEST(PackageReaderTest, StreamNamesAsTheInstallerPacksThem) {
    const struct {
        std::u16string stored;
        StreamName name;
    } rows[] = {
        {u"\x4840\x3F7F", {true, u"_T"}},                    // a table: '_' (63) + 64 * 'T' (29)
        {u"\x4828", {false, u"e"}},                          // one character alone
        {u"\x0005SummaryInformation", {false, u"\x0005SummaryInformation"}},  // kept as it is
        {u"\x4840", {true, u""}},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(decodeStreamName(row.stored), row.name) << toUtf8(row.name.name);
    }
}

TEST(PackageReaderTest, DamagedCopiesAreReadOrRefusedInOneLine) {
    const Bytes package = testPackage();
    ASSERT_EQ(outcome(package), "");
    std::mt19937 random(17);
    std::vector<Bytes> copies;
    // Every byte flipped once, by a random pattern; and cut at every 64 bytes and at random lengths.
    for (size_t at = 0; at < package.size(); ++at) {
        Bytes copy = package;
        copy[at] ^= static_cast<std::byte>(random() % 255 + 1);
        copies.push_back(std::move(copy));
    }
    for (size_t length = 0; length < package.size(); length += random() % 2 == 0 ? 64 : random() % 64 + 1) {
        copies.emplace_back(package.begin(), package.begin() + static_cast<std::ptrdiff_t>(length));
    }
    size_t refused = 0;
    for (const Bytes& copy : copies) {
        const std::string line = outcome(copy);
        if (!line.empty()) {
            ++refused;
            EXPECT_EQ(line.rfind("x.msi: ", 0), 0u) << line;
            EXPECT_EQ(line.find('\n'), std::string::npos) << line;
        }
    }
    EXPECT_GT(refused, copies.size() / 10) << "the copies reach the reader's checks, not only bytes nothing reads";
}

// Single-byte flips of this package that crashed libmsi with a signal.
TEST(PackageReaderTest, CopiesThatCrashedTheInstallerLibrary) {
    const struct {
        size_t offset;
        uint8_t flip;
        const char* line;  // "": read
    } rows[] = {
        {60, 130, "a chain of sectors ends early or leaves the file"},  // the first mini FAT sector
        {4540, 132, "a table lacks a column every package has"},
        {4570, 39, ""},
        {4850, 131, ""},
        {6144, 202, "a chain of mini sectors ends early or leaves the mini stream"},  // the directory
        {6772, 254, "a chain of sectors ends early or leaves the file"},
        {7028, 141, "a chain of mini sectors ends early or leaves the mini stream"},
        {9236, 116, "a chain of sectors ends early or leaves the file"},
    };
    const Bytes package = testPackage();
    for (const auto& row : rows) {
        Bytes copy = package;
        copy[row.offset] ^= std::byte{row.flip};
        EXPECT_EQ(outcome(copy), *row.line ? std::string("x.msi: a damaged installer package: ") + row.line : "")
            << row.offset;
    }
}

TEST(PackageReaderTest, CodePagesAPackageMayHave) {
    EXPECT_EQ(textCodePage(0), 1252u) << "neutral";
    for (const uint32_t known : {874u, 932u, 936u, 949u, 950u, 1250u, 1258u, 65001u}) {
        EXPECT_EQ(textCodePage(known), known);
    }
    for (const uint32_t unknown : {1u, 933u, 1200u, 1259u, 65000u, 0x80000000u}) {
        EXPECT_EQ(textCodePage(unknown), std::nullopt) << unknown;
    }
}

} // namespace
