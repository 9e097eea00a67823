#include "CommandLine.h"

#include <algorithm>

#include "Platform.h"
#include "ProductCode.h"
#include "Text.h"

namespace pack {

const char usageText[] =
    "Usage: tarnell-pack [--product-code {GUID}] [--icon app.ico] [--no-package-cache]\n"
    "                    [--elevation auto|never] [--no-default-log] <package.msi> <setup.exe>\n"
    "       tarnell-pack info [--json] <setup.exe | package.msi>\n"
    "       tarnell-pack extract [--force] <setup.exe> <folder>\n"
    "       tarnell-pack winget <setup.exe> --id <Publisher.Package> --url <URL>\n"
    "                    [--locale en-US] [--force] --out <folder>\n"
    "       tarnell-pack verify <setup.exe>\n"
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
    "  --no-default-log       no log of setup.exe's own when its command line\n"
    "                         names none (default: a verbose log in %TEMP%)\n"
    "\n"
    "info tells what a setup program (or package) installs and how to deploy it,\n"
    "as text or, with --json, as one JSON object. extract writes the package and\n"
    "cabinets a setup program carries into folder; --force replaces files there.\n"
    "winget writes a winget manifest for setup.exe, downloaded from URL; --force\n"
    "replaces one there. verify checks the package and cabinets setup.exe carries\n"
    "against the checksums recorded when it was packed: exit 0 intact, 1 damaged,\n"
    "3 a setup.exe of an older tarnell-pack, which records none.\n"
    "\n"
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
    if (const std::optional<ElevationPolicy> policy = parseElevationPolicy(text)) {
        return *policy;
    }
    throw UsageError("--elevation: '" + shown(toUtf16(text)) + "' is neither auto nor never");
}

bool has(const std::vector<std::string>& args, const char* option) {
    return std::find(args.begin(), args.end(), option) != args.end();
}

// The command's file arguments, which must be count; flags seen are set.
std::vector<std::string> filesOf(const std::vector<std::string>& args, size_t count, const char* usage,
                                 std::initializer_list<std::pair<const char*, bool*>> flags) {
    std::vector<std::string> files;
    for (size_t i = 1; i < args.size(); ++i) {
        const auto flag = std::find_if(flags.begin(), flags.end(), [&](const auto& f) { return args[i] == f.first; });
        if (flag != flags.end()) {
            *flag->second = true;
        } else if (isOption(args[i])) {
            throw UsageError("unknown option " + args[i]);
        } else {
            files.push_back(args[i]);
        }
    }
    if (files.size() != count) {
        throw UsageError(usage);
    }
    return files;
}

PackOptions parseInfo(const std::vector<std::string>& args) {
    PackOptions options;
    options.action = PackOptions::Info;
    options.input = filesOf(args, 1, "info takes one setup program or package", {{"--json", &options.json}})[0];
    return options;
}

PackOptions parseExtract(const std::vector<std::string>& args) {
    PackOptions options;
    options.action = PackOptions::Extract;
    const std::vector<std::string> files =
        filesOf(args, 2, "extract takes a setup program and a folder", {{"--force", &options.force}});
    options.input = files[0];
    options.folder = files[1];
    return options;
}

PackOptions parseVerify(const std::vector<std::string>& args) {
    PackOptions options;
    options.action = PackOptions::Verify;
    options.input = filesOf(args, 1, "verify takes one setup program", {})[0];
    return options;
}

PackOptions parseWinget(const std::vector<std::string>& args) {
    PackOptions options;
    options.action = PackOptions::Winget;
    std::vector<std::string> rest{args[0]};
    bool hasId = false, hasUrl = false, hasOut = false;
    for (size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "--id") {
            options.winget.id = optionValue(args, i);
            hasId = true;
        } else if (args[i] == "--url") {
            options.winget.url = optionValue(args, i);
            hasUrl = true;
        } else if (args[i] == "--locale") {
            options.winget.locale = optionValue(args, i);
        } else if (args[i] == "--out") {
            options.winget.folder = optionValue(args, i);
            hasOut = true;
        } else if (args[i] == "--force") {
            options.winget.force = true;
        } else {
            rest.push_back(args[i]);
        }
    }
    options.input = filesOf(rest, 1, "winget takes one setup program", {})[0];
    if (!hasId || !hasUrl || !hasOut) {
        throw UsageError("winget needs --id, --url and --out");
    }
    return options;
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
    if (!args.empty() && args[0] == "info") {
        return parseInfo(args);
    }
    if (!args.empty() && args[0] == "extract") {
        return parseExtract(args);
    }
    if (!args.empty() && args[0] == "winget") {
        return parseWinget(args);
    }
    if (!args.empty() && args[0] == "verify") {
        return parseVerify(args);
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
        } else if (args[i] == "--no-default-log") {
            options.defaultLog = false;
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
