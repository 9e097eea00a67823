#include "MsiDb.h"

#include <vector>

#include "MsiLibrary.h"
#include "WinFileUtils.h"

namespace msi {

namespace {

MSIHANDLE openDatabase(const WString& path) {
    MSIHANDLE handle = 0;
    const UINT status = library().openDatabase(path.c_str(), MSIDBOPEN_READONLY, &handle);
    if (status != ERROR_SUCCESS) {
        THROW_MSI_ERROR("MsiOpenDatabase(" << path << ", MSIDBOPEN_READONLY) failed", status);
    }
    return handle;
}

// The size of one stream read.
constexpr DWORD streamChunkSize = 0x100000;

} // namespace

void closeDatabaseView(MSIHANDLE handle) {
    if (handle == 0) {
        return;
    }
    const UINT status = library().viewClose(handle);
    if (status != ERROR_SUCCESS) {
        LOG_WARNING("MsiViewClose(" << handle << ") failed with error=" << status);
        return;
    }
    closeMSIHANDLE(handle);
}

Database::Database(const Guid& productCode) : Database(getProductInfo(productCode, L"LocalPackage")) {}

Database::Database(const WString& path) : Database(path, openDatabase(path)) {}

Database::Database(const WString& path, MSIHANDLE handle) : path(path), handle(handle) {}

WString Database::getProperty(const WString& name) const {
    const WString query = L"SELECT Value FROM Property WHERE Property = '" + name + L"'";
    DatabaseView view(*this, query);
    const DatabaseRecord record = view.fetch();
    if (record.getFieldCount() != 1) {
        THROW_MSI_ERROR("record.getFieldCount(" << path << ", " << query << ") returned unexpected value",
                        ERROR_SUCCESS);
    }
    return record.getString(1);
}

WString Database::getProperty(const std::nothrow_t&, const WString& name) const {
    try {
        return getProperty(name);
    } catch (const NoMoreItemsError&) {
        // An absent property is an ordinary answer here, not worth a report.
    }
    CATCH_AND_REPORT
    return {};
}

DatabaseRecord::DatabaseRecord(UINT fieldCount) : handle(library().createRecord(fieldCount)) {
    if (!handle) {
        THROW_MSI_ERROR("MsiCreateRecord(" << fieldCount << ") failed", ERROR_FUNCTION_FAILED);
    }
}

DatabaseRecord& DatabaseRecord::setString(UINT field, const WString& value) {
    const UINT status = library().recordSetString(handle.get(), field, value.c_str());
    if (status != ERROR_SUCCESS) {
        THROW_MSI_ERROR("MsiRecordSetString(" << field << ", " << value << ") failed", status);
    }
    return *this;
}

DatabaseRecord& DatabaseRecord::setInteger(UINT field, int value) {
    const UINT status = library().recordSetInteger(handle.get(), field, value);
    if (status != ERROR_SUCCESS) {
        THROW_MSI_ERROR("MsiRecordSetInteger(" << field << ", " << value << ") failed", status);
    }
    return *this;
}

DatabaseRecord& DatabaseRecord::setStreamFromFile(UINT field, const WString& path) {
    const UINT status = library().recordSetStream(handle.get(), field, path.c_str());
    if (status != ERROR_SUCCESS) {
        THROW_MSI_ERROR("MsiRecordSetStream(" << field << ", " << path << ") failed", status);
    }
    return *this;
}

UINT DatabaseRecord::getFieldCount() const {
    // An invalid handle gives all ones, which is negative as a signed number.
    const UINT count = library().recordGetFieldCount(handle.get());
    if (static_cast<int>(count) <= 0) {
        THROW_MSI_ERROR("MsiRecordGetFieldCount() failed", ERROR_FUNCTION_FAILED);
    }
    return count;
}

int DatabaseRecord::getInteger(UINT field) const {
    const int value = library().recordGetInteger(handle.get(), field);
    if (value == static_cast<int>(MSI_NULL_INTEGER)) {
        THROW_MSI_ERROR("MsiRecordGetInteger(" << field << ") failed", ERROR_FUNCTION_FAILED);
    }
    return value;
}

WString DatabaseRecord::getString(UINT field) const {
    return msi::getProperty(library().recordGetString, "MsiRecordGetString", handle.get(), field);
}

void DatabaseRecord::saveStreamToFile(UINT field, const WString& path) const {
    FileUtils::StagedFileWriter file(path);
    std::vector<char> buffer(streamChunkSize);
    DWORD size = streamChunkSize;
    // A full chunk may be the last one: only a short read proves the end.
    while (size == streamChunkSize) {
        const UINT status = library().recordReadStream(handle.get(), field, buffer.data(), &size);
        if (status != ERROR_SUCCESS) {
            THROW_MSI_ERROR("MsiRecordReadStream() failed", status);
        }
        file.write(buffer.data(), size);
    }
    file.finalize();
}

DatabaseView::DatabaseView(const Database& db, const WString& query, const DatabaseRecord& params) : query(query) {
    MSIHANDLE view = 0;
    const UINT openStatus = library().databaseOpenView(db.getHandle(), query.c_str(), &view);
    if (openStatus != ERROR_SUCCESS) {
        THROW_MSI_ERROR("MsiDatabaseOpenView(" << query << ") failed", openStatus);
    }
    handle.reset(view);
    const UINT executeStatus = library().viewExecute(view, params.getHandle());
    if (executeStatus != ERROR_SUCCESS) {
        handle.reset();
        THROW_MSI_ERROR("MsiViewExecute(" << query << ") failed", executeStatus);
    }
}

DatabaseView::DatabaseView(const Database& db, const WString& query)
    : DatabaseView(db, query, DatabaseRecord(OwnedInstallerHandle())) {}

DatabaseRecord DatabaseView::fetch() {
    DatabaseRecord record = tryFetch();
    if (record.empty()) {
        std::ostringstream text;
        text << "No more items in [" << tstrings::toUtf8(query) << "] query";
        throw AppError<NoMoreItemsError>(NoMoreItemsError(text), SOURCE_POSITION);
    }
    return record;
}

DatabaseRecord DatabaseView::tryFetch() {
    MSIHANDLE record = 0;
    const UINT status = exhausted ? ERROR_NO_MORE_ITEMS : library().viewFetch(handle.get(), &record);
    if (status == ERROR_NO_MORE_ITEMS) {
        exhausted = true;
        return DatabaseRecord(OwnedInstallerHandle());
    }
    if (status != ERROR_SUCCESS) {
        THROW_MSI_ERROR("MsiViewFetch(" << query << ") failed", status);
    }
    return DatabaseRecord(OwnedInstallerHandle(record));
}

DatabaseView& DatabaseView::modify(const DatabaseRecord& record, UINT mode) {
    const UINT status = library().viewModify(handle.get(), static_cast<MSIMODIFY>(mode), record.getHandle());
    if (status != ERROR_SUCCESS) {
        THROW_MSI_ERROR("MsiViewModify(mode=" << mode << ") failed", status);
    }
    return *this;
}

} // namespace msi
