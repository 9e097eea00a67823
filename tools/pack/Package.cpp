#include "Package.h"

#include "ErrorHandling.h"
#include "MsiDb.h"

namespace {

Guid readProductCode(const msi::Database& package) {
    WString text;
    try {
        text = package.getProperty(L"ProductCode");
    } catch (const msi::NoMoreItemsError&) {
        THROW_RUNTIME_ERROR(package.getPath() << ": the package has no ProductCode");
    } catch (const msi::Error&) {
        // Opened, but without the Property table every package has.
        THROW_RUNTIME_ERROR(package.getPath() << ": not an installer package");
    }
    try {
        return Guid(text);
    } catch (const std::runtime_error&) {
        THROW_RUNTIME_ERROR(package.getPath() << ": the package's ProductCode '" << text << "' is not a GUID");
    }
}

} // namespace

PackageInfo readPackageInfo(const WString& path) {
    try {
        const msi::Database package(path);
        return PackageInfo{readProductCode(package), package.getProperty(std::nothrow, L"ProductName"),
                           package.getProperty(std::nothrow, L"ProductVersion"),
                           package.getProperty(std::nothrow, L"Manufacturer")};
    } catch (const msi::Error&) {
        THROW_RUNTIME_ERROR(path << ": not an installer package");
    }
}
