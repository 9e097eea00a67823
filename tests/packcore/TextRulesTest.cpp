// The rules of the texts info and winget write: the values winget takes,
// quoting for JSON, YAML and command lines, and SHA-256 sums.
#include <gtest/gtest.h>

#include "PackCoreTesting.h"
#include "Quoting.h"
#include "Sha256.h"
#include "WingetRules.h"

namespace {

using namespace pack;
using namespace packtest;

TEST(WingetRulesTest, ValuesWingetTakes) {
    const struct {
        std::optional<std::string> (*rule)(std::string_view);
        const char* value;
        bool taken;
    } rows[] = {
        {packageIdentifierFault, "Publisher.Package", true},
        {packageIdentifierFault, "A.B.C.D.E.F.G.H", true},
        {packageIdentifierFault, "A.B.C.D.E.F.G.H.I", false},
        {packageIdentifierFault, "Publisher", false},
        {packageIdentifierFault, "Pub lisher.App", false},
        {packageIdentifierFault, "Pub\xC2\xA0lisher.App", false},  // a no-break space is a blank too
        {packageIdentifierFault, "Pub:lisher.App", false},
        {packageIdentifierFault, "Publisher..App", false},
        {packageIdentifierFault, "Verlag.Änderung", true},
        {packageIdentifierFault, "A.0123456789012345678901234567890123", false},
        {installerUrlFault, "HTTPS://example.com/a b", false},
        {installerUrlFault, "HTTPS://example.com/setup.exe", true},
        {installerUrlFault, "https://", false},
        {installerUrlFault, "file:///c:/setup.exe", false},
        {packageLocaleFault, "en-US", true},
        {packageLocaleFault, "zh-Hant-TW", true},
        {packageLocaleFault, "x-klingon", true},
        {packageLocaleFault, "english", false},
        {packageLocaleFault, "en_US", false},
        {packageLocaleFault, "en-", false},
        {packageVersionFault, "1.2.3-beta", true},
        {packageVersionFault, "", false},
        {packageVersionFault, "1/2", false},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(!row.rule(row.value), row.taken) << row.value;
    }
}

TEST(QuotingTest, TextReadsBackUnchanged) {
    EXPECT_EQ(jsonQuoted("a\"b\\c\n\x01\xC3\xA9"), "\"a\\\"b\\\\c\\u000A\\u0001\xC3\xA9\"");
    EXPECT_EQ(yamlQuoted("{GUID}"), "\"{GUID}\"");
    EXPECT_EQ(yamlQuoted("a\xC2\x85" "b\xE2\x80\xA8" "c\xEF\xBF\xBE"), "\"a\\u0085b\\u2028c\\uFFFE\"")
        << "what YAML reads as line breaks or does not print";
    EXPECT_EQ(yamlQuoted("a\xC2\"b"), "\"a\xEF\xBF\xBD\\\"b\"") << "a malformed sequence cannot end the string";
    EXPECT_EQ(commandWord("setup-1.2_x.exe"), "setup-1.2_x.exe");
    EXPECT_EQ(commandWord("My Setup.exe"), "\"My Setup.exe\"");
    EXPECT_EQ(commandWord("a&b.exe"), "\"a&b.exe\"");
}

TEST(Sha256Test, KnownSums) {
    const auto sum = [](std::string_view text, size_t piece) {
        Sha256 sha;
        for (size_t at = 0; at < text.size(); at += piece) {
            sha.add(asBytes(text.substr(at, piece)));
        }
        return sha.hex();
    };
    EXPECT_EQ(sum("", 1), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(sum("abc", 1), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(sum(std::string(1000000, 'a'), 7), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
    EXPECT_EQ(sum("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq", 5),
              "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1")
        << "56 bytes: the length needs a block of its own";
}

} // namespace
