// The sums a setup program carries: each part's XXH3 and size, as the
// CHECKSUMS resource records them, and the image checksum of its header.
#include <gtest/gtest.h>

#include <algorithm>

#include "Bytes.h"
#include "Checksums.h"
#include "PeChecksum.h"
#include "Xxh3.h"

namespace {

using namespace pack;

TEST(ChecksumsTest, Xxh3KnownValuesInAnyPieces) {
    const auto digest = [](const std::string& text, size_t piece) {
        Xxh3 xxh3;
        for (size_t at = 0; at < text.size(); at += piece) {
            xxh3.add(asBytes(std::string_view(text).substr(at, piece)));
        }
        return xxh3.digest();
    };
    // As xxhsum -H3 gives them.
    EXPECT_EQ(digest("", 1), 0x2D06800538D394C2u);
    EXPECT_EQ(digest("abc", 1), 0x78AF5F94892F3950u);
    std::string long_;
    for (int i = 0; i < 100000; ++i) {
        long_ += static_cast<char>(i * 31 + i / 251);
    }
    EXPECT_EQ(digest(long_, 7), digest(long_, long_.size())) << "pieces across the internal buffer";
}

// The launcher reads the checksums by the packer's own rules before it writes a byte.
TEST(ChecksumsTest, ChecksumsReadBackOnlyAsWritten) {
    const Checksums checksums{{9728, 0x90706F279E029B1Du}, {{0, 0x2D06800538D394C2u}, {12, 1}}};
    const std::string text = formatChecksums(checksums);
    EXPECT_EQ(text, "MSI 9728 90706f279e029b1d\n1 0 2d06800538d394c2\n2 12 0000000000000001\n");
    EXPECT_EQ(parseChecksums(text, 2), checksums);
    const struct {
        std::string text;
        size_t cabinets;
    } refused[] = {
        {text, 1}, {text, 3}, {"", 0}, {text.substr(0, text.size() - 1), 2},
        {"MSI 9728 90706F279E029B1D\n", 0}, {"MSI 09728 90706f279e029b1d\n", 0}, {"MSI +9728 90706f279e029b1d\n", 0},
        {"MSI 9728 90706f279e029b1\n", 0}, {"MSI 9728  90706f279e029b1d\n", 0}, {"MSI 9728 90706f279e029b1d \n", 0},
        {"MSI 18446744073709551616 90706f279e029b1d\n", 0}, {"1 9728 90706f279e029b1d\n", 0},
        {"MSI 1 0000000000000000\n2 1 0000000000000000\n", 1},
    };
    for (const auto& row : refused) {
        EXPECT_EQ(parseChecksums(row.text, row.cabinets), std::nullopt) << row.text << " for " << row.cabinets;
    }
    EXPECT_EQ(checksumMismatch({12, 5}, {12, 5}), std::nullopt);
    EXPECT_EQ(checksumMismatch({12, 5}, {10, 5}), "holds 10 bytes where 12 were packed");
    EXPECT_EQ(checksumMismatch({12, 5}, {12, 0xAB}),
              "has the checksum 00000000000000ab where 0000000000000005 was recorded");
}

uint32_t checksumOf(const std::string& text) {
    PeChecksum checksum;
    checksum.add(asBytes(text));
    return checksum.value();
}

TEST(ChecksumsTest, ImageChecksumIsTheFoldedSumOfWordsPlusTheLength) {
    EXPECT_EQ(checksumOf(""), 0u);
    EXPECT_EQ(checksumOf("\x01\x02\x03"), 0x0201u + 0x0003u + 3u) << "an odd last byte is a word of its own";
    EXPECT_EQ(checksumOf(std::string("\xFF\xFF\x01\x00", 4)), 0x0001u + 4u) << "the carry comes back in";
    EXPECT_EQ(checksumOf(std::string(0x20000, '\xFF')), 0xFFFFu + 0x20000u);
}

TEST(ChecksumsTest, ImageChecksumDoesNotDependOnHowTheBytesAreCut) {
    std::string text;
    for (int i = 0; i < 1001; ++i) {
        text += static_cast<char>(i * 37 + i / 7);
    }
    const auto bytes = asBytes(text);
    for (size_t first : {0, 1, 2, 3, 5, 500, 1001}) {
        for (size_t second : {0, 1, 7}) {
            const size_t split = std::min(first + second, bytes.size());
            PeChecksum pieces;
            pieces.add(bytes.subspan(0, first));
            pieces.add(bytes.subspan(first, split - first));
            pieces.add(bytes.subspan(split));
            EXPECT_EQ(pieces.value(), checksumOf(text)) << first << "+" << second;
        }
    }
}

} // namespace
