#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "LogCapture.h"
#include "Resources.h"
#include "TestFolder.h"
#include "WinErrorHandling.h"
#include "TestFiles.h"

namespace {

// The resources come from resources.rc, built into this executable.
const HMODULE self = GetModuleHandleW(nullptr);
const std::vector<BYTE> msiPayload = {'A', '\r', '\n', 'B', 0, 'C', 0x1A, 0xFF};

std::string textOf(const std::vector<BYTE>& bytes) { return std::string(bytes.begin(), bytes.end()); }

// The text a getPtr failure was raised with, up to the system error's code.
std::string failureOf(const Resource& resource) {
    try {
        resource.bytes();
    } catch (const AppError<SysError>& e) {
        EXPECT_NE(std::string(e.what()).find("Resource::getPtr"), std::string::npos);
        const std::string text = e.plainMessage();
        return text.substr(0, text.find(" System error ["));
    }
    return "nothing raised";
}

TEST(Resource, NameIsFoundWhateverItsLetterCase) {
    for (const wchar_t* name : {L"MSI", L"msi", L"Msi"}) {
        SCOPED_TRACE(tstrings::toUtf8(name));
        EXPECT_TRUE(Resource(name, RT_RCDATA, self).exists());
        EXPECT_EQ(Resource(name, RT_RCDATA, self).bytes(), msiPayload);
    }
}

TEST(Resource, DataKeepsItsExactSizeWithoutTerminator) {
    const Resource code(L"product_code", RT_RCDATA, self);
    EXPECT_EQ(code.size(), 38u);
    EXPECT_EQ(textOf(code.bytes()), "{8E0F7A12-BB3B-4A5B-9C1D-0123456789AB}");
    EXPECT_EQ(std::string(static_cast<const char*>(code.data()), 38), "{8E0F7A12-BB3B-4A5B-9C1D-0123456789AB}");
}

TEST(Resource, IntegerIdNamesAResource) {
    EXPECT_EQ(textOf(Resource(7, RT_RCDATA, self).bytes()), "seven");
}

TEST(Resource, MissingResourceIsNamedInTheError) {
    const struct {
        const char* sentence;
        Resource resource;
        const char* failure;
    } rows[] = {
        {"a text name and an integer type", Resource(L"missing", RT_RCDATA, self),
         "cannot find resource (name='missing', type='#10')."},
        {"an integer name", Resource(999, RT_RCDATA, self), "cannot find resource (name='#999', type='#10')."},
        {"a text type", Resource(L"MSI", L"PACKAGE", self), "cannot find resource (name='MSI', type='PACKAGE')."},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.sentence);
        EXPECT_FALSE(row.resource.exists());
        EXPECT_EQ(failureOf(row.resource), row.failure);
    }
}

TEST(Resource, WriteToProducesAByteIdenticalFile) {
    TestFolder folder;
    const WString path = folder.path(L"main.msi");
    Resource(L"msi", RT_RCDATA, self).writeTo(path);

    const std::string written = readFile(path);
    EXPECT_EQ(std::vector<BYTE>(written.begin(), written.end()), msiPayload);
}

TEST(Resource, MovedResourceStillFindsItsData) {
    Resource original(L"msi", RT_RCDATA, self);
    Resource moved(std::move(original));
    EXPECT_EQ(moved.bytes(), msiPayload);

    Resource assigned(L"product_code", RT_RCDATA, self);
    assigned = std::move(moved);
    EXPECT_EQ(assigned.bytes(), msiPayload);

    Resource missing(L"missing", L"PACKAGE", self);
    Resource movedMissing(std::move(missing));
    EXPECT_EQ(failureOf(movedMissing), "cannot find resource (name='missing', type='PACKAGE').");
}

TEST(StringResource, IdPicksBlockAndEntry) {
    const struct {
        UINT16 id;
        const wchar_t* text;
    } rows[] = {
        {0, L"entry zero"},  {1, L"entry one"},        {5, L""},  // empty entry of block 1
        {15, L"entry fifteen"}, {16, L""},  {17, L"entry seventeen"}, // block 2
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.id);
        EXPECT_EQ(StringResource(row.id, self).string(), row.text);
        EXPECT_EQ(StringResource(row.id, self).string(std::nothrow, L"default"), row.text);
    }
}

TEST(StringResource, MissingBlockRaisesOrGivesTheDefault) {
    const StringResource missing(100, self);
    EXPECT_EQ(failureOf(missing), "cannot find resource (name='#100', type='#6').");
    try {
        missing.string();
        ADD_FAILURE() << "nothing raised";
    } catch (const AppError<SysError>& e) {
        EXPECT_EQ(std::string(e.plainMessage()).rfind("cannot find resource (name='#100', type='#6')", 0), 0u);
    }

    LogCapture log;
    EXPECT_EQ(missing.string(std::nothrow, L"default"), L"default");
    ASSERT_EQ(log.records.size(), 1u);
    EXPECT_EQ(log.records[0].levelName, L"ERROR");
    EXPECT_EQ(log.records[0].functionName, L"StringResource::string");
    EXPECT_EQ(log.records[0].message.rfind(L"Exception with message '", 0), 0u);
    EXPECT_NE(log.records[0].message.find(L"cannot find resource (name='#100', type='#6')"), WString::npos);
}

} // namespace
