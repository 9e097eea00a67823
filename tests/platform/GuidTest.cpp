#include <gtest/gtest.h>

#include "ErrorHandling.h"
#include "Guid.h"

namespace {

const GUID productCode = {0x8E0F7A12, 0xBB3B, 0x4A5B, {0x9C, 0x1D, 0x01, 0x23, 0x45, 0x67, 0x89, 0xAB}};
const WString registryForm = L"{8E0F7A12-BB3B-4A5B-9C1D-0123456789AB}";

// The text a parse failure was raised with, or "" when it parsed.
std::string parseFailure(const WString& text) {
    try {
        Guid{text};
    } catch (const AppError<std::runtime_error>& e) {
        EXPECT_NE(std::string(e.what()).find("`anonymous-namespace'::initGuid"), std::string::npos);
        return e.plainMessage();
    }
    return "";
}

TEST(Guid, AcceptedTextForms) {
    const struct {
        const char* sentence;
        const wchar_t* text;
    } rows[] = {
        {"the registry form parses as it is", L"{8E0F7A12-BB3B-4A5B-9C1D-0123456789AB}"},
        {"lower-case hex digits parse", L"{8e0f7a12-bb3b-4a5b-9c1d-0123456789ab}"},
        {"32 hex digits get braces and dashes", L"8E0F7A12BB3B4A5B9C1D0123456789AB"},
        {"36 dashed characters get braces", L"8E0F7A12-BB3B-4A5B-9C1D-0123456789AB"},
        {"34 braced characters get dashes", L"{8E0F7A12BB3B4A5B9C1D0123456789AB}"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.sentence);
        EXPECT_EQ(parseFailure(row.text), "");
        EXPECT_EQ(Guid(WString(row.text)), Guid(productCode));
    }
}

TEST(Guid, RefusedTextForms) {
    const struct {
        const char* sentence;
        const wchar_t* text;
        const char* failure;
    } rows[] = {
        {"a leading brace alone is not repaired", L"{8E0F7A12-BB3B-4A5B-9C1D-0123456789AB",
         "IIDFromString({8E0F7A12-BB3B-4A5B-9C1D-0123456789AB) failed"},
        {"a closing brace alone is not repaired", L"8E0F7A12BB3B4A5B9C1D0123456789AB}",
         "IIDFromString(8E0F7A12BB3B4A5B9C1D0123456789AB}) failed"},
        {"a text shorter than 32 characters is passed as it is", L"8E0F7A12BB3B", "IIDFromString(8E0F7A12BB3B) failed"},
        {"misplaced dashes fail in the braced text", L"8E0F7A1-2BB3B-4A5B-9C1D-0123456789AB",
         "IIDFromString({8E0F7A1-2BB3B-4A5B-9C1D-0123456789AB}) failed"},
        {"a single dash stops the dashes from being inserted", L"8E0F7A12BB3B4A5B9C1D0123456789-AB",
         "IIDFromString(8E0F7A12BB3B4A5B9C1D0123456789-AB) failed"},
        {"a non-hex digit fails", L"{8E0F7A12-BB3B-4A5B-9C1D-0123456789AG}",
         "IIDFromString({8E0F7A12-BB3B-4A5B-9C1D-0123456789AG}) failed"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.sentence);
        EXPECT_EQ(parseFailure(row.text), row.failure);
    }
}

TEST(Guid, NarrowTextWidensEachByte) {
    EXPECT_EQ(Guid(std::string("{8E0F7A12-BB3B-4A5B-9C1D-0123456789AB}")), Guid(productCode));
    try {
        Guid(std::string("\xE9"));
        ADD_FAILURE() << "nothing raised";
    } catch (const AppError<std::runtime_error>& e) {
        EXPECT_STREQ(e.plainMessage(), "IIDFromString(\xC3\xA9) failed"); // U+00E9 in UTF-8
    }
}

TEST(Guid, ToStringFlags) {
    const struct {
        int flags;
        const wchar_t* text;
    } rows[] = {
        {0, L"{8E0F7A12-BB3B-4A5B-9C1D-0123456789AB}"},
        {Guid::StripBraces, L"8E0F7A12-BB3B-4A5B-9C1D-0123456789AB"},
        {Guid::StripDashes, L"{8E0F7A12BB3B4A5B9C1D0123456789AB}"},
        {Guid::Lowercase, L"{8e0f7a12-bb3b-4a5b-9c1d-0123456789ab}"},
        {Guid::StripBraces | Guid::StripDashes | Guid::Lowercase, L"8e0f7a12bb3b4a5b9c1d0123456789ab"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.flags);
        EXPECT_EQ(Guid(productCode).toString(row.flags), row.text);
    }
    EXPECT_EQ(Guid().toString(), L"{00000000-0000-0000-0000-000000000000}");
}

TEST(Guid, GeneratedValuesAreDistinctAndRoundTrip) {
    const Guid first = Guid::generate();
    const Guid second = Guid::generate();
    EXPECT_FALSE(first == second);
    EXPECT_FALSE(first == Guid());
    EXPECT_EQ(Guid(first.toString()), first);
    EXPECT_EQ(Guid(first.toString(Guid::StripBraces | Guid::StripDashes | Guid::Lowercase)), first);
}

TEST(Guid, EqualityComparesAllSixteenBytes) {
    GUID lastByteDiffers = productCode;
    lastByteDiffers.Data4[7] ^= 1;
    EXPECT_TRUE(Guid(productCode) == Guid(registryForm));
    EXPECT_FALSE(Guid(productCode) == Guid(lastByteDiffers));
}

TEST(Guid, OrderingFollowsTheRegistryText) {
    // In memory Data1 is little-endian, so 0x100 would sort before 0x1 byte by byte.
    const Guid one(GUID{0x1, 0, 0, {}});
    const Guid twoHundredFiftySix(GUID{0x100, 0, 0, {}});
    EXPECT_TRUE(one < twoHundredFiftySix);
    EXPECT_FALSE(twoHundredFiftySix < one);
    EXPECT_FALSE(one < one);
}

} // namespace
