#include "CommandLine.h"

#include <algorithm>
#include <array>

#include "PathNames.h"
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
    "cabinets a setup program carries into folder, made with its parents when\n"
    "missing; --force replaces files there. winget writes a winget manifest for\n"
    "setup.exe, downloaded from URL, into folder; --force replaces one there.\n"
    "verify checks the package and cabinets setup.exe carries against the\n"
    "checksums recorded when it was packed: exit 0 intact, 1 damaged, 3 a\n"
    "setup.exe of an older tarnell-pack, which records none.\n"
    "\n"
    "  -h, --help             print this text and exit\n"
    "  -V, --version          print the version and exit\n"
    "\n"
    "An option's value follows it (--icon app.ico) or an equals sign\n"
    "(--icon=app.ico); -- ends the options. A file is never - (standard input or\n"
    "output).\n"
    "\n"
    "Exit status: 0 done, 1 refused or failed, 2 wrong usage, 3 nothing to verify.\n";

namespace {

using Action = PackOptions::Action;

// One row per verb: the word that names it (none: packing) and the files it takes, in order.
struct Verb {
    const char* word;
    Action action;
    std::array<std::pair<const char*, std::string PackOptions::*>, 2> files;
};

const Verb verbs[] = {
    {"", Action::Pack, {{{"package", &PackOptions::package}, {"output", &PackOptions::output}}}},
    {"info", Action::Info, {{{"setup program or package", &PackOptions::input}, {}}}},
    {"extract", Action::Extract, {{{"setup program", &PackOptions::input}, {"folder", &PackOptions::folder}}}},
    {"winget", Action::Winget, {{{"setup program", &PackOptions::input}, {}}}},
    {"verify", Action::Verify, {{{"setup program", &PackOptions::input}, {}}}},
};

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

// One row per option of a verb: a flag, an option with a value, or one the verb cannot do without.
struct Option {
    enum Kind { Flag, Value, Required };

    const char* name;
    Action verb;
    Kind kind;
    void (*set)(PackOptions& options, const std::string& value);
};

const Option optionRows[] = {
    {"--product-code", Action::Pack, Option::Value, [](auto& o, auto& v) { o.productCode = parseProductCode(v); }},
    {"--icon", Action::Pack, Option::Value, [](auto& o, auto& v) { o.icon = v; }},
    {"--no-package-cache", Action::Pack, Option::Flag, [](auto& o, auto&) { o.packageCache = false; }},
    {"--elevation", Action::Pack, Option::Value, [](auto& o, auto& v) { o.elevation = parseElevation(v); }},
    {"--no-default-log", Action::Pack, Option::Flag, [](auto& o, auto&) { o.defaultLog = false; }},
    {"--json", Action::Info, Option::Flag, [](auto& o, auto&) { o.json = true; }},
    {"--force", Action::Extract, Option::Flag, [](auto& o, auto&) { o.force = true; }},
    {"--id", Action::Winget, Option::Required, [](auto& o, auto& v) { o.winget.id = v; }},
    {"--url", Action::Winget, Option::Required, [](auto& o, auto& v) { o.winget.url = v; }},
    {"--locale", Action::Winget, Option::Value, [](auto& o, auto& v) { o.winget.locale = v; }},
    {"--out", Action::Winget, Option::Required, [](auto& o, auto& v) { o.winget.folder = v; }},
    {"--force", Action::Winget, Option::Flag, [](auto& o, auto&) { o.winget.force = true; }},
};

const char* const helpWords[] = {"-h", "--help"};
const char* const versionWords[] = {"-V", "--version"};

// Help or version, asked for anywhere before "--".
std::optional<Action> infoAsked(const std::vector<std::string>& args) {
    const auto end = std::find(args.begin(), args.end(), "--");
    const auto asks = [&](const auto& words) {
        return std::any_of(args.begin(), end, [&](const std::string& arg) {
            return std::find(std::begin(words), std::end(words), arg) != std::end(words);
        });
    };
    if (asks(helpWords)) {
        return Action::ShowHelp;
    }
    if (asks(versionWords)) {
        return Action::ShowVersion;
    }
    return std::nullopt;
}

std::string verbName(Action action) {
    const auto verb = std::find_if(std::begin(verbs), std::end(verbs), [&](const Verb& v) { return v.action == action; });
    return *verb->word != '\0' ? verb->word : "packing";
}

const Option& optionFor(const std::string& name, Action verb) {
    const auto named = [&](const Option& o) { return name == o.name; };
    const auto own = std::find_if(std::begin(optionRows), std::end(optionRows),
                                  [&](const Option& o) { return named(o) && o.verb == verb; });
    if (own != std::end(optionRows)) {
        return *own;
    }
    const auto other = std::find_if(std::begin(optionRows), std::end(optionRows), named);
    if (other == std::end(optionRows)) {
        throw UsageError("unknown option " + name);
    }
    throw UsageError(verbName(verb) + " does not take " + name + " (" + verbName(other->verb) + " does)");
}

std::string joined(const std::vector<std::string>& parts, const char* last) {
    std::string text;
    for (size_t i = 0; i < parts.size(); ++i) {
        text += (i == 0 ? "" : i + 1 == parts.size() ? last : ", ") + parts[i];
    }
    return text;
}

// Files are read in place and written beside their destination: neither works on a stream.
void refuseDash(const std::string& arg) {
    if (arg == "-") {
        throw UsageError("'-' (standard input or output) is not taken: name a file, ./- for one named -");
    }
}

// The files given to the verb, in its order; their count is the verb's.
void takeFiles(const Verb& verb, const std::vector<std::string>& files, PackOptions& options) {
    std::vector<std::string> missing;
    for (size_t i = 0; i < verb.files.size() && verb.files[i].first != nullptr; ++i) {
        if (i < files.size()) {
            options.*verb.files[i].second = files[i];
        } else {
            missing.push_back(std::string("no ") + verb.files[i].first);
        }
    }
    if (!missing.empty()) {
        throw UsageError(joined(missing, " and ") + " given");
    }
    const auto expected = static_cast<size_t>(
        std::count_if(verb.files.begin(), verb.files.end(), [](const auto& file) { return file.first != nullptr; }));
    if (files.size() > expected) {
        throw UsageError("unexpected argument " + files[expected]);
    }
    if (verb.action == Action::Pack && hasExtension(options.output, u".MSI") && !hasExtension(options.package, u".MSI")) {
        throw UsageError(options.output + " is the package, so it comes first: tarnell-pack " + options.output + " " +
                         options.package);
    }
}

void checkRequired(Action verb, const std::vector<std::string>& given) {
    std::vector<std::string> missing;
    for (const Option& option : optionRows) {
        if (option.verb == verb && option.kind == Option::Required &&
            std::find(given.begin(), given.end(), option.name) == given.end()) {
            missing.push_back(option.name);
        }
    }
    if (!missing.empty()) {
        throw UsageError(verbName(verb) + " needs " + joined(missing, " and "));
    }
}

} // namespace

PackOptions parseCommandLine(const std::vector<std::string>& args) {
    PackOptions options;
    if (const std::optional<Action> asked = infoAsked(args)) {
        options.action = *asked;
        return options;
    }
    const auto named = std::find_if(std::begin(verbs) + 1, std::end(verbs),
                                    [&](const Verb& v) { return !args.empty() && args[0] == v.word; });
    const Verb& verb = named != std::end(verbs) ? *named : verbs[0];
    options.action = verb.action;
    std::vector<std::string> files, given;
    bool optionsEnded = false;
    for (size_t i = named != std::end(verbs) ? 1 : 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        refuseDash(arg);
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            files.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        const size_t equals = arg.starts_with("--") ? arg.find('=') : std::string::npos;
        const Option& option = optionFor(arg.substr(0, equals), verb.action);
        std::string value;
        if (option.kind == Option::Flag && equals != std::string::npos) {
            throw UsageError(std::string(option.name) + " takes no value");
        }
        if (option.kind != Option::Flag) {
            value = equals != std::string::npos ? arg.substr(equals + 1) : i + 1 < args.size() ? args[++i] : "";
            if (value.empty()) {
                throw UsageError(std::string(option.name) + " needs a value");
            }
            refuseDash(value);
        }
        option.set(options, value);
        given.push_back(option.name);
    }
    takeFiles(verb, files, options);
    checkRequired(verb.action, given);
    return options;
}

} // namespace pack
