#include "InfoCommand.h"

#include "ProductCode.h"
#include "Quoting.h"
#include "Text.h"

namespace pack {
namespace {

std::string jsonGuid(std::u16string_view text) {
    const std::optional<std::string> guid = registryForm(text);
    return guid ? jsonQuoted(*guid) : "null";
}

std::string jsonFile(const Description::File& file) {
    return "{\"name\": " + jsonQuoted(file.name) + ", \"size\": " + std::to_string(file.size) +
           ", \"sha256\": " + jsonQuoted(file.sha256) + "}";
}

template <class T, class Format>
std::string jsonList(const std::vector<T>& items, Format format, const char* indent) {
    if (items.empty()) {
        return "[]";
    }
    std::string text = "[";
    for (size_t i = 0; i < items.size(); ++i) {
        text += std::string(i == 0 ? "" : ",") + "\n" + indent + "  " + format(items[i]);
    }
    return text + "\n" + indent + "]";
}

template <class Numbers>
std::string numbers(const Numbers& values) {
    std::string text;
    for (const auto value : values) {
        text += (text.empty() ? "" : ", ") + std::to_string(value);
    }
    return text;
}

template <class Numbers>
std::string jsonNumbers(const Numbers& values) {
    std::string text = "[";
    text += numbers(values);
    text += "]";
    return text;
}

std::string fileLine(const char* label, const Description::File& file) {
    return std::string(label) + file.name + ", " + std::to_string(file.size) + " bytes, sha256 " + file.sha256 + "\n";
}

} // namespace

DeployCommands commandsOf(const Description& description) {
    const std::string removeByCode = "msiexec /x " + description.productCode + " /qn";
    if (description.setup) {
        const std::string setup = commandWord(description.setup->name);
        return {setup + " /qn", setup + " /passive", setup + " uninstall", removeByCode};
    }
    const std::string package = commandWord(description.packageFile.name);
    return {"msiexec /i " + package + " /qn", "msiexec /i " + package + " /passive", "msiexec /x " + package + " /qn",
            removeByCode};
}

std::string infoText(const Description& d) {
    const PackageInfo& p = d.package;
    const DeployCommands commands = commandsOf(d);
    std::string text = shown(p.productName) + " " + shown(p.productVersion) + " by " + shown(p.manufacturer) + "\n";
    text += "  product code    " + d.productCode + "\n";
    text += "  upgrade code    " + registryForm(p.upgradeCode).value_or("none") + "\n";
    text += "  package code    " + registryForm(p.packageCode).value_or("none") + "\n";
    text += "  scope           " + std::string(scopeName(d.scope)) + "\n";
    text += "  architecture    " + d.target.architecture + "\n";
    text += "  languages       " + numbers(d.target.languages) + "\n";
    text += fileLine("  package         ", d.packageFile);
    for (const Description::File& cabinet : d.cabinets) {
        text += fileLine("  cabinet         ", cabinet);
    }
    if (d.setup) {
        text += fileLine("  setup           ", *d.setup);
        text += std::string("  default log     ") +
                (!d.defaultLog ? "none (packed by an older tarnell-pack)" : *d.defaultLog ? "on, in %TEMP%" : "off") + "\n";
    }
    text += "  install         " + commands.install + "\n";
    text += "  uninstall       " + commands.uninstall + "\n";
    return text;
}

std::string infoJson(const Description& d) {
    const PackageInfo& p = d.package;
    const DeployCommands commands = commandsOf(d);
    const auto field = [](const char* name, const std::string& value, bool last = false) {
        return std::string("  \"") + name + "\": " + value + (last ? "\n" : ",\n");
    };
    std::string json = "{\n";
    json += field("productName", jsonQuoted(toUtf8(p.productName)));
    json += field("productVersion", jsonQuoted(toUtf8(p.productVersion)));
    json += field("manufacturer", jsonQuoted(toUtf8(p.manufacturer)));
    json += field("productCode", jsonQuoted(d.productCode));
    json += field("upgradeCode", jsonGuid(p.upgradeCode));
    json += field("packageCode", jsonGuid(p.packageCode));
    json += field("scope", jsonQuoted(scopeName(d.scope)));
    json += field("architecture", jsonQuoted(d.target.architecture));
    json += field("languages", jsonNumbers(d.target.languages));
    json += field("package", jsonFile(d.packageFile));
    json += field("cabinets", jsonList(d.cabinets, jsonFile, "  "));
    json += field("setup", d.setup ? jsonFile(*d.setup) : "null");
    json += field("defaultLog", !d.defaultLog ? "null" : *d.defaultLog ? "true" : "false");
    json += field("commands", "{\n    \"install\": " + jsonQuoted(commands.install) + ",\n    \"installWithProgress\": " +
                                  jsonQuoted(commands.installWithProgress) + ",\n    \"uninstall\": " +
                                  jsonQuoted(commands.uninstall) + ",\n    \"uninstallByProductCode\": " +
                                  jsonQuoted(commands.uninstallByProductCode) + "\n  }");
    json += field("successCodes", jsonNumbers(successCodes), true);
    return json + "}\n";
}

} // namespace pack
