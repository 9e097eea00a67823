#include "PackageLocation.h"

#include <algorithm>

#include "ProductCode.h"

LocationChoice choosePackageLocation(const std::optional<pack::SetupFacts>& facts, const ScopeAssignments& tail,
                                     bool elevated) {
    if (!facts) {
        return {PackageLocation::TemporaryFolder, L"the setup records no install scope"};
    }
    if (!facts->packageCache) {
        return {PackageLocation::TemporaryFolder, L"the setup was packed without a package cache"};
    }
    const std::optional<pack::InstallScope> scope = scopeMsiexecUses(facts->scope, tail);
    if (!scope) {
        return {PackageLocation::TemporaryFolder, L"the command line leaves unclear whether it installs per machine"};
    }
    switch (*scope) {
    case pack::InstallScope::User: return {PackageLocation::UserCache, L"the package installs per user"};
    case pack::InstallScope::Dual:
        return {PackageLocation::TemporaryFolder, L"a dual-purpose package chooses its scope while it installs"};
    default: break;
    }
    if (!elevated) {
        return {PackageLocation::TemporaryFolder,
                L"a per-machine package run without administrator rights: a copy the user can change must never be "
                L"the source an elevated repair trusts"};
    }
    return {PackageLocation::MachineCache, L"a per-machine package run with administrator rights"};
}

std::optional<WString> cacheFolderName(const WString& productCode, const WString& productVersion) {
    const bool plain = !productVersion.empty() && productVersion.size() <= 32 && productVersion.front() != L'.' &&
                       productVersion.back() != L'.' &&
                       std::all_of(productVersion.begin(), productVersion.end(),
                                   [](wchar_t c) { return (c >= L'0' && c <= L'9') || c == L'.'; });
    if (!plain) {
        return std::nullopt;
    }
    return productCode + L"v" + productVersion;
}

bool isFolderOfProduct(const WString& folderName, const WString& productCode) {
    return tstrings::startsWith(folderName, productCode + L"v", tstrings::IgnoreCase);
}

std::optional<WString> productCodeOfFolder(const WString& folderName) {
    // A registry-form product code is 38 characters.
    const size_t codeLength = 38;
    if (folderName.size() <= codeLength || folderName[codeLength] != L'v') {
        return std::nullopt;
    }
    const WString code = folderName.substr(0, codeLength);
    const std::optional<std::string> registry = pack::registryForm(std::u16string(code.begin(), code.end()));
    if (!registry || code.front() != L'{') {
        return std::nullopt;
    }
    return WString(registry->begin(), registry->end());
}
