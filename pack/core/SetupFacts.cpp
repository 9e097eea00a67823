#include "SetupFacts.h"

#include <array>
#include <vector>

#include "ProductCode.h"
#include "Text.h"

namespace pack {
namespace {

constexpr std::array<const char*, 8> names = {"scope",        "product-name",  "product-version", "package-code",
                                              "package-name", "package-cache", "elevation",       "default-log"};
// The lines every packer has written; those after them are newer.
constexpr size_t requiredNames = 7;
constexpr char defaultLogLine[] = "\ndefault-log=";

const char* elevationName(ElevationPolicy policy) { return policy == ElevationPolicy::Auto ? "auto" : "never"; }

std::optional<InstallScope> parseScope(std::string_view text) {
    for (const InstallScope scope : {InstallScope::Machine, InstallScope::User, InstallScope::Dual}) {
        if (text == scopeName(scope)) {
            return scope;
        }
    }
    return std::nullopt;
}

// The values in the order of names; nothing when a line is missing, misnamed or out of order.
std::optional<std::vector<std::string_view>> values(std::string_view text) {
    std::vector<std::string_view> found;
    for (const char* name : names) {
        if (found.size() >= requiredNames && text.empty()) {
            break;
        }
        const size_t end = text.find('\n');
        const std::string_view prefix(name);
        if (end == std::string_view::npos || !text.starts_with(prefix) || text.size() <= prefix.size() ||
            text[prefix.size()] != '=') {
            return std::nullopt;
        }
        found.push_back(text.substr(prefix.size() + 1, end - prefix.size() - 1));
        text.remove_prefix(end + 1);
    }
    if (!text.empty()) {
        return std::nullopt;
    }
    return found;
}

bool isShownForm(std::string_view value) { return shown(toUtf16(value)) == value; }

std::optional<bool> yesOrNo(std::string_view text) {
    if (text == "yes" || text == "no") {
        return text == "yes";
    }
    return std::nullopt;
}

} // namespace

InstallScope scopeOf(std::u16string_view allUsers, std::u16string_view msiInstallPerUser) {
    if (allUsers.empty()) {
        return InstallScope::User;
    }
    if (allUsers == u"2" && msiInstallPerUser == u"1") {
        return InstallScope::Dual;
    }
    return InstallScope::Machine;
}

const char* scopeName(InstallScope scope) {
    switch (scope) {
    case InstallScope::Machine: return "machine";
    case InstallScope::User: return "user";
    default: return "dual";
    }
}

std::string formatSetupFacts(const SetupFacts& facts) {
    const std::array<std::string, names.size()> texts = {
        scopeName(facts.scope),          shown(facts.productName),     shown(facts.productVersion),
        facts.packageCode,               shown(facts.packageFileName), facts.packageCache ? "yes" : "no",
        elevationName(facts.elevation),  facts.defaultLog ? "yes" : "no"};
    std::string out;
    for (size_t i = 0; i < names.size(); ++i) {
        out += std::string(names[i]) + "=" + texts[i] + "\n";
    }
    return out;
}

std::optional<ElevationPolicy> parseElevationPolicy(std::string_view text) {
    if (text == "auto" || text == "never") {
        return text == "auto" ? ElevationPolicy::Auto : ElevationPolicy::Never;
    }
    return std::nullopt;
}

std::optional<SetupFacts> parseSetupFacts(std::string_view utf8) {
    const std::optional<std::vector<std::string_view>> found = values(utf8);
    if (!found) {
        return std::nullopt;
    }
    const std::vector<std::string_view>& v = *found;
    const std::optional<InstallScope> scope = parseScope(v[0]);
    const std::optional<std::string> code = v[3].empty() ? std::optional<std::string>("") : registryForm(toUtf16(v[3]));
    const bool texts = isShownForm(v[1]) && isShownForm(v[2]) && isShownForm(v[4]);
    const std::optional<bool> packageCache = yesOrNo(v[5]);
    const std::optional<ElevationPolicy> elevation = parseElevationPolicy(v[6]);
    const std::optional<bool> defaultLog = v.size() > 7 ? yesOrNo(v[7]) : true;
    if (!scope || !code || *code != v[3] || !texts || !packageCache || !elevation || !defaultLog) {
        return std::nullopt;
    }
    return SetupFacts{*scope, toUtf16(v[1]), toUtf16(v[2]), *code, toUtf16(v[4]), *packageCache, *elevation, *defaultLog};
}

bool recordsDefaultLog(std::string_view utf8) { return utf8.find(defaultLogLine) != std::string_view::npos; }

} // namespace pack
