#include <gtest/gtest.h>

#include "ErrorHandling.h"
#include "tstrings.h"

namespace {

TEST(Tstrings, Utf8RoundTripsAndRejectsBrokenInput) {
    const WString text = L"caf\u00e9 \u65e5\u672c \U0001F600";
    EXPECT_EQ(tstrings::fromUtf8(tstrings::toUtf8(text)), text);
    EXPECT_EQ(tstrings::toUtf8(L""), "");
    EXPECT_EQ(tstrings::fromUtf8("\xC3\x28"), L"") << "invalid UTF-8 gives the empty text";
    EXPECT_EQ(tstrings::fromUtf8(std::string("a\0b", 3)), WString(L"a\0b", 3)) << "embedded zeros convert";
}

TEST(Tstrings, ToLowerFoldsAsciiOnly) {
    EXPECT_EQ(tstrings::toLower(L"ABC xyz \u00C9\u0130"), L"abc xyz \u00C9\u0130");
}

TEST(Tstrings, CompareModes) {
    EXPECT_TRUE(tstrings::equals(L"Main.MSI", L"main.msi", tstrings::IgnoreCase));
    EXPECT_FALSE(tstrings::equals(L"Main.MSI", L"main.msi", tstrings::CaseSensitive));
    EXPECT_TRUE(tstrings::endsWith(L"a.TMP", L".tmp", tstrings::IgnoreCase));
    EXPECT_FALSE(tstrings::endsWith(L"mp", L".tmp", tstrings::IgnoreCase));
    EXPECT_TRUE(tstrings::startsWith(L"uninstall", L"un"));
    EXPECT_FALSE(tstrings::startsWith(L"u", L"un"));
}

TEST(Tstrings, TrimEdges) {
    EXPECT_EQ(tstrings::trim(L" \t \t"), L"");
    EXPECT_EQ(tstrings::trim(L"\t a b \t"), L"a b");
    EXPECT_EQ(tstrings::trim(L""), L"");
}

TEST(Tstrings, SplitKeepsOrSkipsEmptyTokens) {
    using tstrings::split;
    EXPECT_TRUE(split(L"", L"*", tstrings::KeepEmpty).empty());
    EXPECT_TRUE(split(L"abc", L"", tstrings::KeepEmpty).empty());
    EXPECT_EQ(split(L"*a*", L"*", tstrings::KeepEmpty), (WStringList{L"", L"a", L""}));
    EXPECT_EQ(split(L"*a*", L"*", tstrings::SkipEmpty), (WStringList{L"a"}));
    EXPECT_EQ(split(L"abc", L"*", tstrings::KeepEmpty), (WStringList{L"abc"}));
    EXPECT_EQ(split(L"a**b", L"**", tstrings::KeepEmpty), (WStringList{L"a", L"b"}));
    EXPECT_EQ(split(L"a*", L"*", tstrings::KeepEmpty), (WStringList{L"a", L""}));
}

TEST(Tstrings, ReplaceDoesNotRescanReplacements) {
    EXPECT_EQ(tstrings::replace(L"a\"b\"", L"\"", L"\"\""), L"a\"\"b\"\"");
    EXPECT_EQ(tstrings::replace(L"xx", L"x", L"xx"), L"xxxx");
    EXPECT_EQ(tstrings::replace(L"abc", L"", L"z"), L"abc");
    EXPECT_EQ(tstrings::replace(L"abc", L"q", L"z"), L"abc");
}

TEST(Tstrings, FormatGrowsPastOneBuffer) {
    const WString longArg(1000, L'x');
    const WString result = tstrings::format(L"<%s>", longArg.c_str());
    EXPECT_EQ(result, L"<" + longArg + L">");
    EXPECT_EQ(tstrings::format(L"%04u|%s", 7u, L"ok"), L"0007|ok");
}

TEST(Tstrings, FormatRefusesNullAndStopsOnBadFormat) {
    EXPECT_THROW(tstrings::format(nullptr), std::invalid_argument);
    // A format the runtime rejects answers -1 like a short buffer; it must end with an error.
    EXPECT_THROW(tstrings::format(L"%", 1), std::runtime_error);
}

TEST(Tstrings, MessageBuilderInsertions) {
    tstrings::MessageBuilder builder;
    const wchar_t* nullText = nullptr;
    builder << "n=" << 42 << L" u=" << 4294967295UL << " " << nullText << " " << -1 << " "
            << reinterpret_cast<const void*>(0xABCDEFull);
    EXPECT_EQ(builder.str(), L"n=42 u=4294967295 NULL -1 0000000000ABCDEF");
    EXPECT_EQ((tstrings::MessageBuilder() << "\xE9").str(), L"\u00E9") << "narrow text is widened byte by byte";
    EXPECT_EQ(tstrings::MessageBuilder("\xC3\xA9").str(), L"\u00E9") << "a builder made from narrow text decodes UTF-8";
}

} // namespace
