// The rules inside tarnell-pack: its command line, version numbers, the
// image checksum and the layout of resource sections.
#include <gtest/gtest.h>

#include <cstring>

#include "CommandLine.h"
#include "PeChecksum.h"
#include "ResourceTable.h"
#include "VersionInfo.h"

namespace {

TEST(PackPartsTest, CommandLines) {
    const struct {
        WStringList args;
        PackOptions::Action action;
        const wchar_t* package;
        const wchar_t* output;
        const wchar_t* icon;
        bool overridesProductCode;
    } rows[] = {
        {{L"a.msi", L"b.exe"}, PackOptions::Pack, L"a.msi", L"b.exe", L"", false},
        {{L"--icon", L"x.ico", L"a.msi", L"b.exe"}, PackOptions::Pack, L"a.msi", L"b.exe", L"x.ico", false},
        {{L"a.msi", L"--product-code", L"{5B8E2C41-7D3F-4A96-8E10-3F6C2D9A7B54}", L"b.exe"}, PackOptions::Pack,
         L"a.msi", L"b.exe", L"", true},
        {{L"a.msi", L"b.exe", L"--icon", L"-dash.ico"}, PackOptions::Pack, L"a.msi", L"b.exe", L"-dash.ico", false},
        {{L"-", L"b.exe"}, PackOptions::Pack, L"-", L"b.exe", L"", false},
        {{L"--bogus", L"--version"}, PackOptions::ShowVersion, L"", L"", L"", false},
        {{L"a.msi", L"--help", L"--version"}, PackOptions::ShowHelp, L"", L"", L"", false},
    };
    for (const auto& row : rows) {
        const PackOptions options = parseCommandLine(row.args);
        EXPECT_EQ(options.action, row.action) << row.package;
        EXPECT_EQ(options.package, row.package);
        EXPECT_EQ(options.output, row.output);
        EXPECT_EQ(options.icon, row.icon);
        EXPECT_EQ(options.productCode.has_value(), row.overridesProductCode) << row.package;
    }
}

TEST(PackPartsTest, CommandLinesRefused) {
    const struct {
        WStringList args;
        const char* reason;
    } rows[] = {
        {{}, "no package and no output given"},
        {{L"a.msi"}, "no output given"},
        {{L"a.msi", L"b.exe", L"c.exe"}, "unexpected argument c.exe"},
        {{L"-x", L"a.msi", L"b.exe"}, "unknown option -x"},
        {{L"a.msi", L"b.exe", L"--icon"}, "--icon needs a value"},
        {{L"--product-code", L"{5B8E2C41-7D3F}", L"a.msi", L"b.exe"},
         "--product-code: '{5B8E2C41-7D3F}' is not a GUID"},
    };
    for (const auto& row : rows) {
        try {
            parseCommandLine(row.args);
            ADD_FAILURE() << "accepted: " << row.reason;
        } catch (const UsageError& e) {
            EXPECT_STREQ(e.what(), row.reason);
        }
    }
}

TEST(PackPartsTest, VersionNumbers) {
    const struct {
        const wchar_t* text;
        ULONGLONG version;
    } rows[] = {
        {L"2.5.7", 0x0002000500070000},
        {L"1.2.3.4", 0x0001000200030004},
        {L"10", 0x000A000000000000},
        {L"65535.0.65535", 0xFFFF0000FFFF0000},
        {L"65536.0", 0},
        {L"1.2.3.4.5", 0},
        {L"1..2", 0},
        {L"1.2.", 0},
        {L"", 0},
        {L"v1.2", 0},
        {L" 1.2", 0},
        {L"0000001.2", 0},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(parseVersion(row.text), row.version) << row.text;
    }
}

DWORD checksumOf(const std::string& bytes) {
    PeChecksum checksum;
    checksum.add(bytes.data(), bytes.size());
    return checksum.value();
}

TEST(PackPartsTest, ChecksumIsTheFoldedSumOfWordsPlusTheLength) {
    EXPECT_EQ(checksumOf(""), 0u);
    EXPECT_EQ(checksumOf("\x01\x02\x03"), 0x0201u + 0x0003u + 3u) << "an odd last byte is a word of its own";
    EXPECT_EQ(checksumOf(std::string("\xFF\xFF\x01\x00", 4)), 0x0001u + 4u) << "the carry comes back in";
    EXPECT_EQ(checksumOf(std::string(0x20000, '\xFF')), 0xFFFFu + 0x20000u);
}

TEST(PackPartsTest, ChecksumDoesNotDependOnHowTheBytesAreCut) {
    std::string bytes;
    for (int i = 0; i < 1001; ++i) {
        bytes += static_cast<char>(i * 37 + i / 7);
    }
    for (size_t first : {size_t{0}, size_t{1}, size_t{2}, size_t{3}, size_t{5}, size_t{500}, size_t{1001}}) {
        for (size_t second : {size_t{0}, size_t{1}, size_t{7}}) {
            const size_t split = std::min(first + second, bytes.size());
            PeChecksum pieces;
            pieces.add(bytes.data(), first);
            pieces.add(bytes.data() + first, split - first);
            pieces.add(bytes.data() + split, bytes.size() - split);
            EXPECT_EQ(pieces.value(), checksumOf(bytes)) << first << "+" << second;
        }
    }
}

std::vector<BYTE> bytesOf(const char* text) { return std::vector<BYTE>(text, text + std::strlen(text)); }

TEST(PackPartsTest, ResourceDirectoriesListNamesFirstThenNumbersInOrder) {
    ResourceTable table;
    table.add(RT_RCDATA, L"zed", 0, bytesOf("z"));
    table.add(L"ALPHA", MAKEINTRESOURCEW(1), 0, bytesOf("a"));
    table.add(L"Zed", MAKEINTRESOURCEW(1), 0, bytesOf("Z"));
    table.add(RT_ICON, MAKEINTRESOURCEW(1), 0, bytesOf("i"));
    const std::vector<BYTE> head = table.layOut(0x1000).head;

    IMAGE_RESOURCE_DIRECTORY root;
    std::memcpy(&root, head.data(), sizeof(root));
    EXPECT_EQ(root.NumberOfNamedEntries, 2);
    EXPECT_EQ(root.NumberOfIdEntries, 2);
    std::vector<WString> order;
    for (int i = 0; i < 4; ++i) {
        DWORD name;
        std::memcpy(&name, head.data() + sizeof(root) + i * sizeof(IMAGE_RESOURCE_DIRECTORY_ENTRY), sizeof(name));
        if (name & 0x80000000) {
            WORD length;
            std::memcpy(&length, head.data() + (name & 0x7FFFFFFF), sizeof(length));
            order.emplace_back(reinterpret_cast<const wchar_t*>(head.data() + (name & 0x7FFFFFFF) + 2), length);
        } else {
            order.push_back(std::to_wstring(name));
        }
    }
    EXPECT_EQ(order, (std::vector<WString>{L"ALPHA", L"ZED", L"3", L"10"}));
}

TEST(PackPartsTest, TailEndsTheSectionAndReadsBackWithTheRest) {
    ResourceTable table;
    table.addTail(RT_RCDATA, L"MSI", 0, 5);
    table.add(RT_RCDATA, L"PRODUCT_CODE", 0, bytesOf("{code}"));
    table.add(RT_MANIFEST, MAKEINTRESOURCEW(1), 0x409, bytesOf("<assembly/>"));
    const ResourceTable::Layout layout = table.layOut(0x2000);
    EXPECT_EQ(layout.tailSize, 5u);
    EXPECT_EQ(layout.head.size() % 8, 0u) << "the tail starts aligned";

    std::vector<BYTE> section = layout.head;
    const std::vector<BYTE> tail = bytesOf("tail!");
    section.insert(section.end(), tail.begin(), tail.end());
    const ResourceTable::Types types = ResourceTable::parse(section.data(), section.size(), 0x2000).getTypes();
    EXPECT_EQ(types.at(RT_RCDATA).at(L"MSI").at(MAKEINTRESOURCEW(0)).data, tail);
    EXPECT_EQ(types.at(RT_RCDATA).at(L"product_code").at(MAKEINTRESOURCEW(0)).data, bytesOf("{code}"));
    EXPECT_EQ(types.at(RT_MANIFEST).at(MAKEINTRESOURCEW(1)).at(MAKEINTRESOURCEW(0x409)).data, bytesOf("<assembly/>"));
    EXPECT_EQ(types.size(), 2u);
    EXPECT_EQ(types.at(RT_RCDATA).size(), 2u);
}

TEST(PackPartsTest, MalformedResourceSectionsAreRefused) {
    ResourceTable table;
    table.add(RT_RCDATA, L"MSI", 0, bytesOf("package"));
    const std::vector<BYTE> head = table.layOut(0x3000).head;
    EXPECT_THROW(ResourceTable::parse(head.data(), head.size() - 1, 0x3000), std::runtime_error)
        << "data beyond the end";
    EXPECT_THROW(ResourceTable::parse(head.data(), head.size(), 0x4000), std::runtime_error)
        << "data before the section";
    EXPECT_THROW(ResourceTable::parse(head.data(), 10, 0x3000), std::runtime_error) << "a cut directory";
}

} // namespace
