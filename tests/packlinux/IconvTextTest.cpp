// Package text through glibc's iconv, as the native tarnell-pack decodes it.
#include <gtest/gtest.h>

#include "IconvText.h"

namespace {

TEST(IconvTextTest, EveryCharacterComesOut) {
    const struct {
        uint32_t codePage;
        std::string bytes;
        std::u16string text;
    } rows[] = {
        // 1258 and 1255 hold back each character that a combining mark could follow.
        {1258, "{5B8E2C41-7D3F-4A96-8E10-3F6C2D9A7B54}", u"{5B8E2C41-7D3F-4A96-8E10-3F6C2D9A7B54}"},
        {1258, "Vi\xEA\x8At", u"Vi\u00EA\uFFFDt"},
        {1255, "\xF9\xEC\xE5\xED", u"\u05E9\u05DC\u05D5\u05DD"},
        {1255, "\xF9\xFF\xF9", u"\u05E9\uFFFD\u05E9"},
        {1252, "Caf\xE9", u"Caf\u00E9"},
        {932, "\x93\xFA\x96\x7B", u"\u65E5\u672C"},
        {932, "ab\x93", u"ab\uFFFD"},
        {65001, "\xC3\xA9\xC3", u"\u00E9\uFFFD"},
        {1252, "", u""},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(pack::decodeWithIconv(row.codePage, row.bytes), row.text) << row.codePage << ": " << row.bytes;
    }
}

} // namespace
