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

// The installer's codes that winget tells apart for an msi installer, which
// it does not know the setup program passes on; 1641 (a restart has begun)
// is counted a success above, since winget takes rebootInitiated for a failure.
constexpr std::pair<int, const char*> expectedReturnCodes[] = {
    {87, "invalidParameter"},    {112, "diskFull"},           {1601, "contactSupport"},   {1602, "cancelledByUser"},
    {1618, "installInProgress"}, {1623, "systemNotSupported"}, {1625, "blockedByPolicy"},  {1628, "invalidParameter"},
    {1633, "systemNotSupported"}, {1638, "alreadyInstalled"},  {1639, "invalidParameter"}, {1640, "blockedByPolicy"},
    {1643, "blockedByPolicy"},   {1644, "blockedByPolicy"},    {1649, "blockedByPolicy"},  {1650, "invalidParameter"},
    {1654, "systemNotSupported"}, {3010, "rebootRequiredToFinish"}};

void refuseUnless(const std::optional<std::string>& fault, const std::string& what) {
    if (fault) {
        throw PackError(what + ": must be " + *fault);
    }
}

void checkOptions(const WingetOptions& options, std::vector<std::string>& warnings) {
    refuseUnless(packageIdentifierFault(options.id), "--id '" + shown(toUtf16(options.id)) + "'");
    const std::string url = "--url '" + shown(toUtf16(options.url)) + "'";
    refuseUnless(installerUrlFault(options.url), url);
    refuseUnless(packageLocaleFault(options.locale), "--locale '" + shown(toUtf16(options.locale)) + "'");
    // A private source may serve http; the community repository does not take it.
    if (!asciiUpper(toUtf16(options.url)).starts_with(u"HTTPS://")) {
        warnings.push_back(url + ": winget's community repository takes https:// addresses only");
    }
}

// winget finds the installed product by the product code the manifest gives: the setup program's.
void checkProductCode(const Description& setup, const std::string& path, std::vector<std::string>& warnings) {
    const std::string own = registryForm(setup.package.productCode).value_or("");
    if (setup.productCode != own) {
        warnings.push_back(path + ": its product code " + setup.productCode + " is not its package's ProductCode " +
                           own + ": winget's detection will look for a product the installer never registers");
    }
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
    // winget starts an exe without elevation unless told, and a silent run keeps the rights it was started with.
    if (setup.scope == InstallScope::Machine) {
        text += "ElevationRequirement: elevationRequired\n";
    }
    // Without a user interface the installer restarts the machine by itself where the package forces a restart.
    text += "InstallerSwitches:\n  Silent: \"/qn /norestart\"\n  SilentWithProgress: \"/passive /norestart\"\n  Log: " +
            yamlQuoted("/l*v \"<LOGPATH>\"") + "\n";
    text += "InstallerSuccessCodes:\n- 1641\nExpectedReturnCodes:\n";
    for (const auto& [code, response] : expectedReturnCodes) {
        text += "- InstallerReturnCode: " + std::to_string(code) + "\n  ReturnResponse: " + response + "\n";
    }
    // The setup program's own architecture, whatever the package's: no 32-bit system is offered a 64-bit program.
    // DisplayVersion is left out: it is the PackageVersion.
    text += "Installers:\n- Architecture: x64\n  InstallerUrl: " + yamlQuoted(options.url) +
            "\n  InstallerSha256: " + yamlQuoted(upperHex(setup.setup->sha256)) + "\n  ProductCode: " + productCode +
            "\n  AppsAndFeaturesEntries:\n  - DisplayName: " + yamlQuoted(texts.name) +
            "\n    Publisher: " + yamlQuoted(texts.publisher) + "\n    ProductCode: " + productCode + "\n";
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

std::string winget(const std::string& setup, const WingetOptions& options, Platform& platform,
                   std::vector<std::string>& warnings) {
    checkOptions(options, warnings);  // before the setup program is read and summed
    const Description description = describe(setup, platform, Sums::SetupOnly);
    const std::vector<ManifestFile> files = wingetManifests(description, options, setup);
    checkProductCode(description, setup, warnings);
    const std::vector<ReadFile> inputs{readFileAt(platform, setup, "the setup program")};
    std::vector<std::string> paths;
    for (const ManifestFile& file : files) {
        if (const std::optional<std::string> fault = plainNameFault(toUtf16(file.name))) {
            throw PackError("--id '" + options.id + "': the file name '" + file.name + "' " + *fault);
        }
        paths.push_back(platform.join(options.folder, file.name));
        checkOutput(platform, paths.back(), inputs);
        if (!options.force && platform.statusOf(paths.back()).kind != FileStatus::Missing) {
            throw PackError(paths.back() + ": is there already; --force replaces it");
        }
    }
    OutputFolder target(platform, options.folder);
    std::vector<std::unique_ptr<OutputFile>> outputs;
    std::string printed;
    for (size_t i = 0; i < files.size(); ++i) {
        outputs.push_back(platform.createOutput(paths[i]));
        outputs.back()->write(asBytes(files[i].text));
        printed += "Wrote " + paths[i] + "\n";
    }
    for (const auto& output : outputs) {
        output->commit();
    }
    target.keep();
    return printed;
}

} // namespace pack
