#include "WingetCommand.h"

#include <memory>
#include <vector>

#include "Bytes.h"
#include "Cabinets.h"
#include "Description.h"
#include "OutputChecks.h"
#include "OutputFolder.h"
#include "ProductCode.h"
#include "Quoting.h"
#include "Text.h"
#include "WingetRules.h"

namespace pack {
namespace {

constexpr char manifestVersion[] = "1.10.0";

// msiexec's codes that winget should tell apart; 1641 (a restart has begun)
// is counted a success above, since winget takes rebootInitiated for a failure.
constexpr std::pair<int, const char*> expectedReturnCodes[] = {
    {3010, "rebootRequiredToFinish"}, {1618, "installInProgress"},  {1602, "cancelledByUser"},
    {1638, "alreadyInstalled"},       {1633, "systemNotSupported"}, {1625, "blockedByPolicy"}};

void refuseUnless(const std::optional<std::string>& fault, const std::string& what) {
    if (fault) {
        throw PackError(what + ": must be " + *fault);
    }
}

void checkOptions(const WingetOptions& options) {
    refuseUnless(packageIdentifierFault(options.id), "--id '" + shown(toUtf16(options.id)) + "'");
    refuseUnless(installerUrlFault(options.url), "--url '" + shown(toUtf16(options.url)) + "'");
    refuseUnless(packageLocaleFault(options.locale), "--locale '" + shown(toUtf16(options.locale)) + "'");
}

// A package's text in a message: its start, when it is long.
std::string excerpt(const std::u16string& text) {
    constexpr size_t shownLength = 60;
    return text.size() <= shownLength ? shown(text) : shown(text.substr(0, shownLength)) + "...";
}

// The package's texts as winget takes them.
struct PackageTexts {
    std::string name, version, publisher;
};

PackageTexts checkedTexts(const Description& setup, const std::string& path) {
    const PackageInfo& p = setup.package;
    const PackageTexts texts{toUtf8(p.productName), toUtf8(p.productVersion), toUtf8(p.manufacturer)};
    const auto value = [&](const char* property, const std::u16string& text, const char* field) {
        return path + ": the package's " + property + " '" + excerpt(text) + "' as winget's " + field;
    };
    refuseUnless(lengthFault(texts.name, 2, 256), value("ProductName", p.productName, "PackageName"));
    refuseUnless(packageVersionFault(texts.version), value("ProductVersion", p.productVersion, "PackageVersion"));
    refuseUnless(lengthFault(texts.publisher, 2, 256), value("Manufacturer", p.manufacturer, "Publisher"));
    return texts;
}

std::string upperHex(std::string hex) {
    for (char& c : hex) {
        c = c >= 'a' && c <= 'f' ? static_cast<char>(c - 'a' + 'A') : c;
    }
    return hex;
}

std::string header(const char* type, const WingetOptions& options, const PackageTexts& texts) {
    return std::string("# yaml-language-server: $schema=https://aka.ms/winget-manifest.") + type + "." +
           manifestVersion + ".schema.json\n\nPackageIdentifier: " + yamlQuoted(options.id) +
           "\nPackageVersion: " + yamlQuoted(texts.version) + "\n";
}

std::string footer(const char* type) {
    return std::string("ManifestType: ") + type + "\nManifestVersion: " + manifestVersion + "\n";
}

std::string installerManifest(const Description& setup, const WingetOptions& options, const PackageTexts& texts) {
    const std::string productCode = yamlQuoted(setup.productCode);
    std::string text = header("installer", options, texts) + "InstallerType: exe\n";
    // A dual-purpose package installs in either scope, as the command line chooses: no one scope is true of it.
    if (setup.scope != InstallScope::Dual) {
        text += std::string("Scope: ") + scopeName(setup.scope) + "\n";
    }
    text += "InstallerSwitches:\n  Silent: \"/qn\"\n  SilentWithProgress: \"/passive\"\n  Log: " +
            yamlQuoted("/l*v \"<LOGPATH>\"") + "\n";
    text += "InstallerSuccessCodes:\n- 1641\nExpectedReturnCodes:\n";
    for (const auto& [code, response] : expectedReturnCodes) {
        text += "- InstallerReturnCode: " + std::to_string(code) + "\n  ReturnResponse: " + response + "\n";
    }
    text += "Installers:\n- Architecture: " + setup.target.architecture + "\n  InstallerUrl: " + yamlQuoted(options.url) +
            "\n  InstallerSha256: " + yamlQuoted(upperHex(setup.setup->sha256)) + "\n  ProductCode: " + productCode +
            "\n  AppsAndFeaturesEntries:\n  - DisplayName: " + yamlQuoted(texts.name) +
            "\n    Publisher: " + yamlQuoted(texts.publisher) + "\n    DisplayVersion: " + yamlQuoted(texts.version) +
            "\n    ProductCode: " + productCode + "\n";
    if (const std::optional<std::string> upgradeCode = registryForm(setup.package.upgradeCode)) {
        text += "    UpgradeCode: " + yamlQuoted(*upgradeCode) + "\n";
    }
    return text + "    InstallerType: msi\n" + footer("installer");
}

std::string localeManifest(const WingetOptions& options, const PackageTexts& texts) {
    return header("defaultLocale", options, texts) + "PackageLocale: " + yamlQuoted(options.locale) +
           "\nPublisher: " + yamlQuoted(texts.publisher) + "\nPackageName: " + yamlQuoted(texts.name) +
           "\n# Placeholders: say what they say before the manifest is submitted.\n"
           "License: \"TODO: the license's name\"\n"
           "ShortDescription: \"TODO: what the package is, in one sentence\"\n" +
           footer("defaultLocale");
}

std::string versionManifest(const WingetOptions& options, const PackageTexts& texts) {
    return header("version", options, texts) + "DefaultLocale: " + yamlQuoted(options.locale) + "\n" + footer("version");
}

struct ManifestFile {
    std::string name;
    std::string text;
};

std::vector<ManifestFile> wingetManifests(const Description& setup, const WingetOptions& options,
                                          const std::string& path) {
    if (!setup.setup) {
        throw PackError(path + ": not a setup program made by tarnell-pack; winget takes one, not a package");
    }
    const PackageTexts texts = checkedTexts(setup, path);
    return {{options.id + ".yaml", versionManifest(options, texts)},
            {options.id + ".installer.yaml", installerManifest(setup, options, texts)},
            {options.id + ".locale." + options.locale + ".yaml", localeManifest(options, texts)}};
}

} // namespace

std::string winget(const std::string& setup, const WingetOptions& options, Platform& platform) {
    checkOptions(options);  // before the setup program is read and summed
    const std::vector<ManifestFile> files = wingetManifests(describe(setup, platform, Sums::SetupOnly), options, setup);
    for (const ManifestFile& file : files) {
        if (const std::optional<std::string> fault = plainNameFault(toUtf16(file.name))) {
            throw PackError("--id '" + options.id + "': the file name '" + file.name + "' " + *fault);
        }
    }
    const std::vector<ReadFile> inputs{readFileAt(platform, setup, "the setup program")};
    OutputFolder target(platform, options.folder);
    std::vector<std::unique_ptr<OutputFile>> outputs;
    std::string printed;
    for (const ManifestFile& file : files) {
        const std::string path = platform.join(options.folder, file.name);
        checkOutput(platform, path, inputs);
        outputs.push_back(platform.createOutput(path));
        outputs.back()->write(asBytes(file.text));
        printed += "Wrote " + path + "\n";
    }
    for (const auto& output : outputs) {
        output->commit();
    }
    target.keep();
    return printed;
}

} // namespace pack
