#include "CommandLine.h"

#include <algorithm>

const char usageText[] =
    "Usage: tarnell-pack [--product-code {GUID}] [--icon app.ico] <package.msi> <setup.exe>\n"
    "\n"
    "Writes setup.exe, a program that carries package.msi: run, it installs the\n"
    "package through msiexec.exe, passing its arguments on; run with \"uninstall\",\n"
    "it removes the product.\n"
    "\n"
    "  --product-code {GUID}  the product that \"setup.exe uninstall\" removes\n"
    "                         (default: the package's ProductCode)\n"
    "  --icon app.ico         the icon of setup.exe\n"
    "  --help                 print this text and exit\n"
    "  --version              print the version and exit\n";

namespace {

[[noreturn]] void refuse(const tstrings::MessageBuilder& text) { throw UsageError(text.utf8()); }

bool isOption(const WString& arg) { return arg.size() > 1 && arg[0] == L'-'; }

// The value that follows the option at i; moves i onto it.
const WString& optionValue(const WStringList& args, size_t& i) {
    if (i + 1 == args.size()) {
        refuse(tstrings::MessageBuilder() << args[i] << " needs a value");
    }
    return args[++i];
}

Guid parseProductCode(const WString& text) {
    try {
        return Guid(text);
    } catch (const std::runtime_error&) {
        refuse(tstrings::MessageBuilder() << "--product-code: '" << text << "' is not a GUID");
    }
}

} // namespace

PackOptions parseCommandLine(const WStringList& args) {
    PackOptions options;
    if (std::find(args.begin(), args.end(), L"--help") != args.end()) {
        options.action = PackOptions::ShowHelp;
        return options;
    }
    if (std::find(args.begin(), args.end(), L"--version") != args.end()) {
        options.action = PackOptions::ShowVersion;
        return options;
    }

    WStringList files;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == L"--product-code") {
            options.productCode = parseProductCode(optionValue(args, i));
        } else if (args[i] == L"--icon") {
            options.icon = optionValue(args, i);
        } else if (isOption(args[i])) {
            refuse(tstrings::MessageBuilder() << "unknown option " << args[i]);
        } else {
            files.push_back(args[i]);
        }
    }
    if (files.size() < 2) {
        refuse(tstrings::MessageBuilder() << (files.empty() ? "no package and no output given" : "no output given"));
    }
    if (files.size() > 2) {
        refuse(tstrings::MessageBuilder() << "unexpected argument " << files[2]);
    }
    options.package = files[0];
    options.output = files[1];
    return options;
}
