#include "Description.h"

#include "CabinetFiles.h"
#include "CompoundFile.h"
#include "FileRange.h"
#include "PathNames.h"
#include "Sha256.h"
#include "SetupReader.h"
#include "Text.h"

namespace pack {
namespace {

Description::File fileOf(std::string name, const FileRange& bytes, bool summed) {
    return Description::File{std::move(name), bytes.size(), summed ? sha256Of(bytes) : std::string()};
}

// What the package alone tells, checked before any file is summed.
Description fromPackage(PackageInfo package, const std::string& path) {
    Description description;
    description.target = targetOf(package, path);
    description.scope = scopeOf(package.allUsers, package.msiInstallPerUser);
    description.package = std::move(package);
    return description;
}

Description describeSetup(const FileRange& file, const std::string& path, Platform& platform, Sums sums) {
    const bool partsSummed = sums == Sums::Every;
    const SetupContents contents = readSetup(file, path);
    Description description = fromPackage(platform.readPackage(contents.package, path), path);
    description.productCode = contents.productCode;
    description.packageFile = fileOf(toUtf8(packageNameOf(contents.facts)), contents.package, partsSummed);
    for (const SetupContents::Cabinet& cabinet : contents.cabinets) {
        description.cabinets.push_back(fileOf(toUtf8(cabinet.name), cabinet.bytes, partsSummed));
    }
    description.setup = fileOf(fileNameOf(path), file, true);
    description.defaultLog = contents.defaultLog;
    return description;
}

Description describePackage(const FileRange& file, const std::string& path, Platform& platform, Sums sums) {
    const bool summed = sums == Sums::Every;
    Description description = fromPackage(platform.readPackage(file, path), path);
    description.productCode = productCodeOf(description.package, path);
    description.packageFile = fileOf(fileNameOf(path), file, summed);
    for (const CabinetFile& cabinet : openCabinets(description.package, path, platform)) {
        description.cabinets.push_back(fileOf(toUtf8(cabinet.name), FileRange(*cabinet.file), summed));
    }
    return description;
}

} // namespace

std::u16string packageNameOf(const std::optional<SetupFacts>& facts) {
    return facts && !facts->packageFileName.empty() ? facts->packageFileName : u"main.msi";
}

Description describe(const std::string& path, Platform& platform, Sums sums) {
    const std::unique_ptr<InputFile> input = platform.openInput(path);
    const FileRange file(*input);
    if (looksLikeProgram(file)) {
        return describeSetup(file, path, platform, sums);
    }
    if (CompoundFile::hasSignature(file)) {
        return describePackage(file, path, platform, sums);
    }
    throw PackError(path + ": neither a setup program made by tarnell-pack nor an installer package");
}

} // namespace pack
