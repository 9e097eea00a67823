#include "CommandLine.h"

#include <algorithm>

#include "Platform.h"
#include "ProductCode.h"
#include "Text.h"

namespace pack {

const char usageText[] =
    "Usage: tarnell-pack [--product-code {GUID}] [--icon app.ico] [--no-package-cache]\n"
    "                    [--elevation auto|never] <package.msi> <setup.exe>\n"
    "\n"
    "Writes setup.exe, a program that carries package.msi and the cabinets it\n"
    "names beside it: run, it installs the package through msiexec.exe, passing\n"
    "its arguments on; run with \"uninstall\", it removes the product.\n"
    "\n"
    "  --product-code {GUID}  the product that \"setup.exe uninstall\" removes\n"
    "                         (default: the package's ProductCode)\n"
    "  --icon app.ico         the icon of setup.exe\n"
    "  --no-package-cache     install from a temporary folder only, never from\n"
    "                         a copy kept for repairs\n"
    "  --elevation auto|never auto: an interactive per-machine install asks for\n"
    "                         administrator rights for setup.exe itself (default);\n"
    "                         never: msiexec asks when the installation starts\n"
    "  --help                 print this text and exit\n"
    "  --version              print the version and exit\n";

namespace {

bool isOption(const std::string& arg) { return arg.size() > 1 && arg[0] == '-'; }

// The value that follows the option at i; moves i onto it.
const std::string& optionValue(const std::vector<std::string>& args, size_t& i) {
    if (i + 1 == args.size()) {
        throw UsageError(args[i] + " needs a value");
    }
    return args[++i];
}

std::string parseProductCode(const std::string& text) {
    const std::u16string wide = toUtf16(text);
    const std::optional<std::string> code = registryForm(wide);
    if (!code) {
        throw UsageError("--product-code: '" + shown(wide) + "' is not a GUID");
    }
    return *code;
}

ElevationPolicy parseElevation(const std::string& text) {
    if (text == "auto" || text == "never") {
        return text == "auto" ? ElevationPolicy::Auto : ElevationPolicy::Never;
    }
    throw UsageError("--elevation: '" + shown(toUtf16(text)) + "' is neither auto nor never");
}

bool has(const std::vector<std::string>& args, const char* option) {
    return std::find(args.begin(), args.end(), option) != args.end();
}

} // namespace

PackOptions parseCommandLine(const std::vector<std::string>& args) {
    PackOptions options;
    if (has(args, "--help")) {
        options.action = PackOptions::ShowHelp;
        return options;
    }
    if (has(args, "--version")) {
        options.action = PackOptions::ShowVersion;
        return options;
    }
    std::vector<std::string> files;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--product-code") {
            options.productCode = parseProductCode(optionValue(args, i));
        } else if (args[i] == "--icon") {
            options.icon = optionValue(args, i);
        } else if (args[i] == "--no-package-cache") {
            options.packageCache = false;
        } else if (args[i] == "--elevation") {
            options.elevation = parseElevation(optionValue(args, i));
        } else if (isOption(args[i])) {
            throw UsageError("unknown option " + args[i]);
        } else {
            files.push_back(args[i]);
        }
    }
    if (files.size() < 2) {
        throw UsageError(files.empty() ? "no package and no output given" : "no output given");
    }
    if (files.size() > 2) {
        throw UsageError("unexpected argument " + files[2]);
    }
    options.package = files[0];
    options.output = files[1];
    return options;
}

} // namespace pack
