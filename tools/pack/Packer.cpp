#include "Packer.h"

#include "ErrorHandling.h"
#include "IconFile.h"
#include "Package.h"
#include "PackFiles.h"
#include "Resources.h"
#include "StubImage.h"
#include "VersionInfo.h"
#include "WinSysInfo.h"

namespace {

constexpr WORD neutralLanguage = MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL);

// The launcher without package resources that this program carries.
StubImage ownStub() {
    DWORD size = 0;
    const LPCVOID bytes = Resource(L"stub", RT_RCDATA, SysInfo::getCurrentModuleHandle()).getPtr(size);
    return StubImage(static_cast<const BYTE*>(bytes), size);
}

// 38 ASCII characters in registry form, without a terminating zero.
std::vector<BYTE> productCodeResource(const Guid& productCode) {
    const std::string text = tstrings::toUtf8(productCode.toString());
    return std::vector<BYTE>(text.begin(), text.end());
}

} // namespace

PackResult pack(const PackOptions& options) {
    const WString packagePath = FileUtils::toAbsolutePath(options.package);
    const WString outputPath = FileUtils::toAbsolutePath(options.output);
    InputFile package(packagePath);
    const PackageInfo info = readPackageInfo(packagePath);
    if (package.size() > MAXDWORD) {
        THROW_RUNTIME_ERROR(packagePath << ": the package is too large: a setup program must stay below 4 GiB");
    }
    const Guid productCode = options.productCode.value_or(info.productCode);

    const StubImage stub = ownStub();
    ResourceTable resources = stub.resources();
    resources.addTail(RT_RCDATA, L"MSI", neutralLanguage, static_cast<DWORD>(package.size()));
    resources.add(RT_RCDATA, L"PRODUCT_CODE", neutralLanguage, productCodeResource(productCode));
    resources.add(RT_VERSION, MAKEINTRESOURCEW(1), neutralLanguage,
                  versionResource(info, FileUtils::basename(outputPath)));
    if (!options.icon.empty()) {
        addIcon(resources, FileUtils::toAbsolutePath(options.icon), neutralLanguage);
    }

    StagedFile output(outputPath);
    stub.write(resources, package, output);
    output.commit();
    return PackResult{outputPath, productCode, package.size()};
}
