#pragma once

#include <windows.h>

#include <msi.h>

#include <new>

#include "Guid.h"
#include "MsiUtils.h"
#include "SourcePosition.h"
#include "tstrings.h"

namespace msi {

// An installer database, always opened read-only. Views keep a reference to
// it, so it stays where it was made.
class Database {
public:
    // The cached package of an installed product.
    explicit Database(const Guid& productCode);
    explicit Database(const WString& path);
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // The database of the installation that runs a custom action.
    static Database forActiveInstallation(MSIHANDLE install);

    // The value from the package's Property table.
    WString getProperty(const WString& name) const;
    // Empty when the property is absent or cannot be read.
    WString getProperty(const std::nothrow_t&, const WString& name) const;

    const WString& getPath() const { return path; }
    MSIHANDLE getHandle() const { return handle.get(); }

private:
    Database(const WString& path, MSIHANDLE handle);

    WString path;
    OwnedInstallerHandle handle;
};

// An installer record; empty (no handle) after the last row of a view.
class DatabaseRecord {
public:
    explicit DatabaseRecord(UINT fieldCount);
    DatabaseRecord(DatabaseRecord&&) = default;
    DatabaseRecord& operator=(DatabaseRecord&&) = default;

    DatabaseRecord& setString(UINT field, const WString& value);
    DatabaseRecord& setInteger(UINT field, int value);
    DatabaseRecord& setStreamFromFile(UINT field, const WString& path);

    UINT getFieldCount() const;
    int getInteger(UINT field) const;
    WString getString(UINT field) const;
    // The destination changes only when the whole stream has been read.
    void saveStreamToFile(UINT field, const WString& path) const;

    bool empty() const { return !handle; }
    MSIHANDLE getHandle() const { return handle.get(); }

private:
    friend class DatabaseView;
    explicit DatabaseRecord(OwnedInstallerHandle handle) : handle(std::move(handle)) {}

    OwnedInstallerHandle handle;
};

// An executed query; the database must outlive it.
class DatabaseView {
public:
    // params fills the query's ? markers, in field order.
    DatabaseView(const Database& db, const WString& query, const DatabaseRecord& params);
    DatabaseView(const Database& db, const WString& query);

    // Raises AppError<msi::NoMoreItemsError> after the last row.
    DatabaseRecord fetch();
    // An empty record after the last row.
    DatabaseRecord tryFetch();
    DatabaseView& modify(const DatabaseRecord& record, UINT mode);

private:
    WString query;
    OwnedInstallerHandle handle;
    // Wine's installer starts again at the first row once it has reported the end.
    bool exhausted = false;
};

// Never raises: a view that cannot be closed is logged and left open.
void closeDatabaseView(MSIHANDLE handle);

} // namespace msi
