#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <iterator>

#include "LogCapture.h"
#include "MsiDb.h"
#include "MsiLibrary.h"
#include "TestFolder.h"
#include "WinFileUtils.h"
#include "WinSysInfo.h"
#include "InstallerErrors.h"
#include "TestFiles.h"
#include "ProductTest.h"

namespace {

bool startsWith(const std::string& text, const std::string& prefix) { return text.rfind(prefix, 0) == 0; }

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }


// A call that must fail: the installer's status (0: any failure) and the start of its text.
struct FailureRow {
    const char* name;
    std::function<void()> call;
    UINT status;
    std::string text;
};

template <size_t N>
void expectFailures(const FailureRow (&rows)[N]) {
    for (const FailureRow& row : rows) {
        const auto [status, text] = installerErrorOf(row.call);
        if (row.status != 0) {
            EXPECT_EQ(status, row.status) << row.name;
        } else {
            EXPECT_NE(status, 0u) << row.name;
        }
        EXPECT_TRUE(startsWith(text, row.text)) << row.name << ": " << text;
    }
}

const WString packagePath = besideTestProgram(L"DbTestPackage.msi");
const WString binaryQuery = L"SELECT Name, Data FROM Binary WHERE Name = ?";

msi::DatabaseRecord binaryRow(const msi::Database& db, const WString& name) {
    msi::DatabaseRecord params(1);
    params.setString(1, name);
    msi::DatabaseView view(db, binaryQuery, params);
    return view.fetch();
}

TEST(Database, ReadsPresentPropertiesOfAnyLength) {
    const msi::Database db(packagePath);
    EXPECT_EQ(db.getPath(), packagePath);
    EXPECT_EQ(db.getProperty(L"ProductName"), L"Tarnell Database Test");
    EXPECT_EQ(db.getProperty(L"LongProperty"), L"A value longer than the first twenty-character buffer");
    EXPECT_EQ(db.getProperty(std::nothrow, L"ProductVersion"), L"2.3.4");
}

TEST(Database, AbsentPropertyRaisesNoMoreItemsNamingTheQuery) {
    const msi::Database db(packagePath);
    try {
        db.getProperty(L"NoSuchProperty");
        FAIL() << "nothing raised";
    } catch (const AppError<msi::NoMoreItemsError>& e) {
        EXPECT_EQ(e.getStatus(), static_cast<UINT>(ERROR_NO_MORE_ITEMS));
        EXPECT_TRUE(startsWith(e.plainMessage(),
                               "No more items in [SELECT Value FROM Property WHERE Property = 'NoSuchProperty'] "
                               "query. MSI error [259]("))
            << e.plainMessage();
        EXPECT_TRUE(contains(e.what(), "at msi::DatabaseView::fetch(): ")) << e.what();
    }

    LogCapture log;
    EXPECT_EQ(db.getProperty(std::nothrow, L"NoSuchProperty"), L"");
    EXPECT_TRUE(log.records.empty());
}

TEST(Database, NothrowPropertyReportsOtherFailures) {
    const msi::Database db(packagePath);
    LogCapture log;
    // The name goes into the query unescaped, so a quote breaks the query.
    EXPECT_EQ(db.getProperty(std::nothrow, L"Broken'Name"), L"");
    ASSERT_EQ(log.records.size(), 1u);
    EXPECT_EQ(log.records[0].levelName, L"ERROR");
    EXPECT_EQ(log.records[0].functionName, L"msi::Database::getProperty");
    EXPECT_NE(log.records[0].message.find(
                  L"MsiDatabaseOpenView(SELECT Value FROM Property WHERE Property = 'Broken'Name') failed"),
              WString::npos)
        << log.records[0].message;
}

TEST(Database, OpenFailuresNameTheCall) {
    TestFolder folder;
    const WString missing = folder.path(L"missing.msi");
    const Guid notInstalled = Guid::generate();
    const FailureRow rows[] = {
        {"missing file", [&] { msi::Database db(missing); }, 0,
         "MsiOpenDatabase(" + tstrings::toUtf8(missing) + ", MSIDBOPEN_READONLY) failed"},
        {"product not installed", [&] { msi::Database db(notInstalled); }, ERROR_UNKNOWN_PRODUCT,
         "MsiGetProductInfo(" + tstrings::toUtf8(notInstalled.toString()) + ", LocalPackage) failed"},
        {"bad query", [] { msi::Database db(packagePath); msi::DatabaseView view(db, L"SELECT Nothing FROM"); }, 0,
         "MsiDatabaseOpenView(SELECT Nothing FROM) failed"},
    };
    expectFailures(rows);
}

TEST(DatabaseView, TryFetchKeepsGivingAnEmptyRecordAfterTheLastRow) {
    const msi::Database db(packagePath);
    const WString query = L"SELECT Name FROM Binary ORDER BY Name";
    msi::DatabaseView view(db, query);
    EXPECT_EQ(view.fetch().getString(1), L"Empty");
    EXPECT_EQ(view.tryFetch().getString(1), L"OneChunk");
    EXPECT_TRUE(view.tryFetch().empty());
    EXPECT_TRUE(view.tryFetch().empty());
    try {
        view.fetch();
        FAIL() << "nothing raised";
    } catch (const AppError<msi::NoMoreItemsError>& e) {
        EXPECT_TRUE(startsWith(e.plainMessage(), "No more items in [SELECT Name FROM Binary ORDER BY Name] query"))
            << e.plainMessage();
    }
}

TEST(DatabaseView, ModifyAppliesTheRecordToTheView) {
    const msi::Database db(packagePath);
    msi::DatabaseView view(db, L"SELECT Property, Value FROM Property");
    msi::DatabaseRecord row(2);
    row.setString(1, L"TemporaryProperty").setString(2, L"temporary value");
    view.modify(row, MSIMODIFY_INSERT_TEMPORARY);
    EXPECT_EQ(db.getProperty(L"TemporaryProperty"), L"temporary value");

    const auto [status, text] = installerErrorOf([&] { view.modify(row, MSIMODIFY_INSERT_TEMPORARY); });
    EXPECT_NE(status, 0u);
    EXPECT_TRUE(startsWith(text, "MsiViewModify(mode=7) failed")) << text;
}

TEST(DatabaseRecord, KeepsWhatIsSetAndNamesFailedCalls) {
    msi::DatabaseRecord record(3);
    record.setString(1, L"text").setInteger(2, -7);
    EXPECT_EQ(record.getFieldCount(), 3u);
    EXPECT_EQ(record.getString(1), L"text");
    EXPECT_EQ(record.getInteger(2), -7);
    EXPECT_EQ(record.getString(3), L"");

    const msi::Database db(packagePath);
    msi::DatabaseView view(db, L"SELECT Feature_Parent, Level FROM Feature");
    const msi::DatabaseRecord feature = view.fetch();
    EXPECT_EQ(feature.getInteger(2), 1);
    const msi::DatabaseRecord afterLast = view.tryFetch();

    const FailureRow rows[] = {
        {"null field of a new record", [&] { record.getInteger(3); }, ERROR_FUNCTION_FAILED,
         "MsiRecordGetInteger(3) failed"},
        {"null field of a row", [&] { feature.getInteger(1); }, ERROR_FUNCTION_FAILED,
         "MsiRecordGetInteger(1) failed"},
        {"field count of an empty record", [&] { afterLast.getFieldCount(); }, ERROR_FUNCTION_FAILED,
         "MsiRecordGetFieldCount() failed"},
        {"string of an empty record", [&] { afterLast.getString(1); }, ERROR_INVALID_HANDLE,
         "MsiRecordGetString(0, 1) failed"},
        {"string past the last field", [&] { record.setString(4, L"far"); }, 0,
         "MsiRecordSetString(4, far) failed"},
        {"integer past the last field", [&] { record.setInteger(4, 5); }, 0, "MsiRecordSetInteger(4, 5) failed"},
        {"stream from a missing file", [&] { record.setStreamFromFile(3, L"C:\\no\\such\\file"); }, 0,
         "MsiRecordSetStream(3, C:\\no\\such\\file) failed"},
    };
    expectFailures(rows);
}

TEST(DatabaseRecord, SavesStreamsOfNoBytesAndOfOneFullPass) {
    const msi::Database db(packagePath);
    TestFolder folder;

    binaryRow(db, L"Empty").saveStreamToFile(2, folder.path(L"empty.bin"));
    EXPECT_TRUE(FileUtils::isFileExists(folder.path(L"empty.bin")));
    EXPECT_EQ(readFile(folder.path(L"empty.bin")), "");

    // Exactly one pass long: the second pass reads nothing and ends the loop.
    binaryRow(db, L"OneChunk").saveStreamToFile(2, folder.path(L"one-chunk.bin"));
    const std::string expected = readFile(besideTestProgram(L"one-chunk.bin"));
    ASSERT_EQ(expected.size(), 1048576u);
    EXPECT_TRUE(readFile(folder.path(L"one-chunk.bin")) == expected);
}

TEST(DatabaseRecord, StreamsRoundTripThroughFiles) {
    TestFolder folder;
    std::string contents;
    for (int i = 0; contents.size() < 2621440; ++i) {
        contents += std::to_string(i) + ",";
    }
    writeFile(folder.path(L"source.bin"), contents);

    msi::DatabaseRecord record(1);
    record.setStreamFromFile(1, folder.path(L"source.bin"));
    record.saveStreamToFile(1, folder.path(L"copy.bin"));
    EXPECT_TRUE(readFile(folder.path(L"copy.bin")) == contents);
}

TEST(DatabaseRecord, FailedStreamSaveLeavesTheDestinationUntouched) {
    const msi::Database db(packagePath);
    TestFolder folder;
    const WString destination = folder.path(L"destination.bin");
    writeFile(destination, "previous contents");

    // Field 1 is the row's name, not a stream.
    const auto [status, text] = installerErrorOf([&] { binaryRow(db, L"OneChunk").saveStreamToFile(1, destination); });
    EXPECT_NE(status, 0u);
    EXPECT_TRUE(startsWith(text, "MsiRecordReadStream() failed")) << text;
    EXPECT_EQ(readFile(destination), "previous contents");
    WStringList left;
    FileUtils::DirectoryIterator(folder.path()).findItems(left);
    EXPECT_EQ(left, WStringList{destination});
}

TEST(CloseDatabaseView, IgnoresNoHandleAndWarnsWhenTheCloseFails) {
    const msi::Database db(packagePath);
    MSIHANDLE view = 0;
    ASSERT_EQ(msi::library().databaseOpenView(db.getHandle(), L"SELECT Name FROM Binary", &view), 0u);
    ASSERT_EQ(msi::library().viewExecute(view, 0), 0u);

    LogCapture log;
    msi::closeDatabaseView(0);
    msi::closeDatabaseView(view);
    EXPECT_TRUE(log.records.empty());

    msi::closeDatabaseView(view);
    ASSERT_EQ(log.records.size(), 1u);
    EXPECT_EQ(log.records[0].levelName, L"WARNING");
    EXPECT_EQ(log.records[0].message, L"MsiViewClose(" + std::to_wstring(view) + L") failed with error=" +
                                          std::to_wstring(ERROR_INVALID_HANDLE));
}

// The test package, installed for the time of one test.
class InstalledPackage : public ProductTest {
protected:
    InstalledPackage() : ProductTest(MSIDB_TEST_PRODUCT_CODE) {}
};

TEST_F(InstalledPackage, OpensTheCachedPackageByProductCode) {
    const msi::ActionStatus status = msi::action<msi::install>(msi::install().packagePath(packagePath))(std::nothrow);
    ASSERT_TRUE(status.succeeded()) << status.getMessage();

    const msi::Database db(product);
    EXPECT_EQ(db.getPath(), msi::getProductInfo(product, L"LocalPackage"));
    EXPECT_NE(FileUtils::foldPath(db.getPath()), FileUtils::foldPath(packagePath));
    EXPECT_EQ(db.getProperty(L"ProductCode"), product.toString());
    EXPECT_EQ(db.getProperty(L"LongProperty"), L"A value longer than the first twenty-character buffer");
}

} // namespace
