#include "PackageFacts.h"

#include "ProductCode.h"
#include "Text.h"

namespace pack {
namespace {

// A language identifier: a decimal number below 65536.
std::optional<uint32_t> languageNumber(std::u16string_view text) {
    if (text.empty() || text.size() > 5) {
        return std::nullopt;
    }
    uint32_t value = 0;
    for (const char16_t digit : text) {
        if (digit < u'0' || digit > u'9') {
            return std::nullopt;
        }
        value = value * 10 + (digit - u'0');
    }
    return value <= 0xFFFF ? std::optional(value) : std::nullopt;
}

std::vector<uint32_t> languagesOf(std::u16string_view list, const PackageInfo& package, const std::string& path) {
    std::vector<uint32_t> languages;
    while (!list.empty()) {
        const size_t comma = list.find(u',');
        const std::optional<uint32_t> language = languageNumber(list.substr(0, comma));
        if (!language) {
            throw PackError(path + ": the package's Template '" + shown(package.summaryTemplate) +
                            "' does not list its languages as numbers");
        }
        languages.push_back(*language);
        list = comma == std::u16string_view::npos ? u"" : list.substr(comma + 1);
    }
    return languages;
}

} // namespace

std::string productCodeOf(const PackageInfo& package, const std::string& path) {
    if (package.productCode.empty()) {
        throw PackError(path + ": the package has no ProductCode");
    }
    const std::optional<std::string> code = registryForm(package.productCode);
    if (!code) {
        throw PackError(path + ": the package's ProductCode '" + shown(package.productCode) + "' is not a GUID");
    }
    return *code;
}

PackageTarget targetOf(const PackageInfo& package, const std::string& path) {
    const std::u16string_view text = package.summaryTemplate;
    const size_t semicolon = text.find(u';');
    const std::u16string platform = asciiUpper(text.substr(0, semicolon));
    PackageTarget target;
    if (platform.empty() || platform == u"INTEL") {
        target.architecture = "x86";
    } else if (platform == u"X64" || platform == u"AMD64") {
        target.architecture = "x64";
    } else if (platform == u"ARM64") {
        target.architecture = "arm64";
    } else {
        throw PackError(path + ": the package's platform '" + shown(text.substr(0, semicolon)) +
                        "' is none of Intel, x64 and Arm64");
    }
    if (semicolon != std::u16string_view::npos) {
        target.languages = languagesOf(text.substr(semicolon + 1), package, path);
    }
    return target;
}

} // namespace pack
