#include "LibmsiPackage.h"

#include <libmsi.h>

#include <memory>

#include "Text.h"

namespace pack {
namespace {

// libmsi's objects are GObjects: g_object_unref releases each.
struct GObjectUnref {
    void operator()(void* object) const { g_object_unref(object); }
};
template <class T>
using GObjectPtr = std::unique_ptr<T, GObjectUnref>;

struct GFree {
    void operator()(gchar* text) const { g_free(text); }
};

class Database {
public:
    explicit Database(const std::string& path) {
        GError* error = nullptr;
        db.reset(libmsi_database_new(path.c_str(), LIBMSI_DB_FLAGS_READONLY, nullptr, &error));
        if (!db) {
            g_clear_error(&error);
            throw PackError(path + ": not an installer package");
        }
    }

    // Every row of the query; an absent table gives none.
    template <class Row>
    void forEachRow(const char* sql, Row&& row) const {
        GError* error = nullptr;
        GObjectPtr<LibmsiQuery> query(libmsi_query_new(db.get(), sql, &error));
        if (!query || !libmsi_query_execute(query.get(), nullptr, &error)) {
            g_clear_error(&error);
            return;
        }
        while (GObjectPtr<LibmsiRecord> record{libmsi_query_fetch(query.get(), &error)}) {
            row(*record);
        }
        g_clear_error(&error);
    }

    std::u16string property(const char* name) const {
        std::u16string value;
        const std::string sql = std::string("SELECT `Value` FROM `Property` WHERE `Property` = '") + name + "'";
        forEachRow(sql.c_str(), [&](LibmsiRecord& record) { value = text(record, 1); });
        return value;
    }

    // A package has a Property table, even when it has no rows we ask for.
    bool hasPropertyTable() const {
        GError* error = nullptr;
        GObjectPtr<LibmsiQuery> query(libmsi_query_new(db.get(), "SELECT `Property` FROM `Property`", &error));
        g_clear_error(&error);
        return query != nullptr;
    }

    static std::u16string text(const LibmsiRecord& record, unsigned field) {
        if (libmsi_record_is_null(&record, field)) {
            return {};
        }
        const std::unique_ptr<gchar, GFree> value(libmsi_record_get_string(&record, field));
        return value ? toUtf16(value.get()) : std::u16string();
    }

    GObjectPtr<LibmsiDatabase> db;
};

} // namespace

PackageInfo readPackageWithLibmsi(const std::string& path) {
    // libmsi also tells its failures on standard error; the tool's own line says them.
    g_log_set_default_handler([](const gchar*, GLogLevelFlags, const gchar*, gpointer) {}, nullptr);
    const Database package(path);
    if (!package.hasPropertyTable()) {
        throw PackError(path + ": not an installer package");
    }
    PackageInfo info;
    info.productCode = package.property("ProductCode");
    info.productName = package.property("ProductName");
    info.productVersion = package.property("ProductVersion");
    info.manufacturer = package.property("Manufacturer");
    info.upgradeCode = package.property("UpgradeCode");
    info.allUsers = package.property("ALLUSERS");
    info.msiInstallPerUser = package.property("MSIINSTALLPERUSER");
    package.forEachRow("SELECT `DiskId`, `LastSequence`, `Cabinet` FROM `Media` ORDER BY `DiskId`",
                       [&](LibmsiRecord& record) {
                           info.media.push_back(MediaRow{libmsi_record_get_int(&record, 1),
                                                         libmsi_record_get_int(&record, 2),
                                                         Database::text(record, 3)});
                       });
    package.forEachRow("SELECT `Sequence` FROM `File`", [&](LibmsiRecord& record) {
        info.fileSequences.push_back(libmsi_record_get_int(&record, 1));
    });
    return info;
}

} // namespace pack
