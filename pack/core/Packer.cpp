#include "Packer.h"

#include <memory>
#include <vector>

#include "CabinetFiles.h"
#include "Cabinets.h"
#include "Checksums.h"
#include "FileRange.h"
#include "IconFile.h"
#include "OutputChecks.h"
#include "PackageFacts.h"
#include "PathNames.h"
#include "ProductCode.h"
#include "ResourceTable.h"
#include "SetupReader.h"
#include "StubImage.h"
#include "Text.h"
#include "VersionInfo.h"

namespace pack {
namespace {

// The launcher finds its cabinets by this list and by their numbers, 1 to N.
constexpr char16_t cabinetListName[] = u"CABINETS";
constexpr char16_t setupFactsName[] = u"SETUP";
constexpr char16_t checksumsName[] = u"CHECKSUMS";

Bytes bytesOf(const std::string& text) {
    const auto bytes = asBytes(text);
    return Bytes(bytes.begin(), bytes.end());
}

// The package's file name when Windows can create a file of that name; else nothing.
std::u16string plainFileName(const std::string& path) {
    const std::u16string name = toUtf16(fileNameOf(path));
    return plainNameFault(name) ? std::u16string() : name;
}

SetupFacts setupFacts(const PackOptions& options, const PackageInfo& info) {
    return SetupFacts{scopeOf(info.allUsers, info.msiInstallPerUser),
                      info.productName,
                      info.productVersion,
                      registryForm(info.packageCode).value_or(""),
                      plainFileName(options.package),
                      options.packageCache,
                      options.elevation,
                      options.defaultLog};
}

Bytes iconFile(Platform& platform, const std::string& path) {
    const std::unique_ptr<InputFile> file = platform.openInput(path);
    if (file->size() >= StubImage::maxImageSize) {
        throw PackError(path + ": not an icon file: larger than a setup program can be");
    }
    return FileRange(*file).read(0, file->size());
}

// What the output must not replace: every file the setup program is made from.
void checkOutputOf(const PackOptions& options, const std::vector<CabinetFile>& cabinets, Platform& platform) {
    std::vector<ReadFile> inputs{readFileAt(platform, options.package, "the package")};
    for (const CabinetFile& cabinet : cabinets) {
        inputs.push_back(readFileAt(platform, cabinet.path, "the cabinet '" + shown(cabinet.name) + "'"));
    }
    if (!options.icon.empty()) {
        inputs.push_back(readFileAt(platform, options.icon, "the icon"));
    }
    checkOutput(platform, options.output, inputs);
}

// The list the launcher reads, and each cabinet's bytes as the resource of its number.
void carryCabinets(const std::vector<CabinetFile>& cabinets, ResourceTable& resources, std::vector<FileRange>& streams) {
    std::vector<std::u16string> names;
    for (size_t i = 0; i < cabinets.size(); ++i) {
        names.push_back(cabinets[i].name);
        resources.addStreamed(resourceType::rcdata, static_cast<uint16_t>(i + 1), neutralLanguage,
                              cabinets[i].file->size());
        streams.emplace_back(*cabinets[i].file);
    }
    resources.add(resourceType::rcdata, cabinetListName, neutralLanguage, bytesOf(formatCabinetList(names)));
}

// A setup program where the package belongs: a user who wants its package back.
PackageInfo packageInfo(const FileRange& file, const std::string& path, Platform& platform) {
    if (isSetupProgram(file)) {
        throw PackError(path + ": a setup program, not an installer package: 'tarnell-pack extract " + path +
                        " <folder>' gives back the package it carries");
    }
    return platform.readPackage(file, path);
}

// The checksums of the streams (the package, then each cabinet), of one XXH3
// each; the sizes alone fix the text's length.
Checksums checksumsOf(const std::vector<FileRange>& streams, std::span<const uint64_t> xxh3) {
    Checksums checksums{{streams[0].size(), xxh3[0]}, {}};
    for (size_t i = 1; i < streams.size(); ++i) {
        checksums.cabinets.push_back({streams[i].size(), xxh3[i]});
    }
    return checksums;
}

} // namespace

PackResult pack(const PackOptions& options, Platform& platform, std::span<const std::byte> stubBytes,
                std::vector<std::string>& warnings) {
    checkSetupName(options.output);
    const std::unique_ptr<InputFile> package = platform.openInput(options.package);
    const PackageInfo info = packageInfo(FileRange(*package), options.package, platform);
    // Checked even when the command line gives the product code: without a valid one the package cannot install.
    const std::string packageProductCode = productCodeOf(info, options.package);
    const std::vector<CabinetFile> cabinets = openCabinets(info, options.package, platform);
    checkOutputOf(options, cabinets, platform);
    PackResult result{options.productCode.value_or(packageProductCode), package->size(), cabinets.size(), 0};
    if (result.productCode != packageProductCode) {
        warnings.push_back("--product-code " + result.productCode + " is not the package's ProductCode " +
                           packageProductCode + ": uninstall and detection by product code look for a product " +
                           "the installer never registers");
    }
    for (const CabinetFile& cabinet : cabinets) {
        result.cabinetSize += cabinet.file->size();
    }

    const StubImage stub(stubBytes);
    ResourceTable resources = stub.resources();
    std::vector<FileRange> streams{FileRange(*package)};
    resources.addStreamed(resourceType::rcdata, u"MSI", neutralLanguage, package->size());
    resources.add(resourceType::rcdata, u"PRODUCT_CODE", neutralLanguage, bytesOf(result.productCode));
    resources.add(resourceType::version, uint16_t{1}, neutralLanguage,
                  versionResource({info.productName, info.productVersion, info.manufacturer, toUtf16(fileNameOf(options.output))}));
    resources.add(resourceType::rcdata, setupFactsName, neutralLanguage, bytesOf(formatSetupFacts(setupFacts(options, info))));
    if (!cabinets.empty()) {
        carryCabinets(cabinets, resources, streams);
    }
    if (!options.icon.empty()) {
        addIcon(resources, iconFile(platform, options.icon), options.icon);
    }
    // Streamed last, so that it is written once the parts it describes have been summed.
    resources.addStreamed(resourceType::rcdata, checksumsName, neutralLanguage,
                          formatChecksums(checksumsOf(streams, std::vector<uint64_t>(streams.size()))).size());

    const ResourceTable::Layout layout = resources.layOut(stub.resourceSectionRva());
    if (stub.imageSizeFor(layout.size()) >= StubImage::maxImageSize) {
        throw PackError(options.package + ": too large: the package" +
                        (cabinets.empty() ? " holds " : " and its cabinets hold ") +
                        std::to_string(result.packageSize + result.cabinetSize) +
                        " bytes, and Windows loads no program of 2 GiB or more");
    }
    const std::unique_ptr<OutputFile> output = platform.createOutput(options.output);
    stub.write(layout, streams, *output, [&](std::span<const uint64_t> xxh3) {
        return bytesOf(formatChecksums(checksumsOf(streams, xxh3)));
    });
    output->commit();
    return result;
}

} // namespace pack
