#include "SetupResources.h"

#include <string>
#include <vector>

#include "Cabinets.h"
#include "ErrorHandling.h"
#include "WinSysInfo.h"

void throwDamagedSetup(const SourcePosition& pos, const std::string& what) {
    throw AppError<DamagedSetup>(DamagedSetup("The setup program is damaged: " + what), pos);
}

namespace SetupResources {
namespace {

Resource own(LPCWSTR name) { return Resource(name, RT_RCDATA, SysInfo::getCurrentModuleHandle()); }

std::string text(const Resource& resource) {
    const std::vector<BYTE> bytes = resource.bytes();
    return std::string(bytes.begin(), bytes.end());
}

} // namespace

Resource package() { return own(L"msi"); }

Resource cabinet(size_t index) { return own(MAKEINTRESOURCEW(index + 1)); }

Guid productCode() { return Guid(text(own(L"product_code"))); }

WStringList cabinetNames() {
    const Resource list = own(L"cabinets");
    if (!list.exists()) {
        return {};
    }
    const pack::CabinetList parsed = pack::parseCabinetList(text(list));
    if (!parsed.fault.empty()) {
        THROW_RUNTIME_ERROR("The setup program is damaged: " << tstrings::fromUtf8(parsed.fault));
    }
    WStringList names;
    for (const std::u16string& name : parsed.names) {
        names.push_back(toWide(name));
    }
    return names;
}

std::optional<pack::Checksums> checksums(size_t cabinetCount) {
    const Resource resource = own(L"checksums");
    if (!resource.exists()) {
        return std::nullopt;
    }
    std::optional<pack::Checksums> parsed = pack::parseChecksums(text(resource), cabinetCount);
    if (!parsed) {
        throwDamagedSetup(SOURCE_POSITION, "its CHECKSUMS resource is not one tarnell-pack writes");
    }
    return parsed;
}

std::optional<pack::SetupFacts> facts() {
    const Resource resource = own(L"setup");
    if (!resource.exists()) {
        return std::nullopt;
    }
    const std::string recorded = text(resource);
    std::optional<pack::SetupFacts> parsed = pack::parseSetupFacts(recorded);
    if (!parsed) {
        THROW_RUNTIME_ERROR("The setup program is damaged: its SETUP resource is not one tarnell-pack writes");
    }
    // Resources made before the choice existed asked for no log of the setup's own.
    parsed->defaultLog = parsed->defaultLog && pack::recordsDefaultLog(recorded);
    return parsed;
}

} // namespace SetupResources
