#include "Pack.h"

#include <new>

#include "CommandLine.h"
#include "Description.h"
#include "ExtractCommand.h"
#include "InfoCommand.h"
#include "Packer.h"
#include "VerifyCommand.h"

namespace pack {
namespace {

std::string plural(size_t count, const char* noun) {
    return std::to_string(count) + " " + noun + (count == 1 ? "" : "s");
}

std::string summary(const PackOptions& options, const PackResult& result) {
    std::string text = "Wrote " + options.output + " (product code " + result.productCode + ", package " +
                       std::to_string(result.packageSize) + " bytes";
    if (result.cabinetCount != 0) {
        text += ", " + plural(result.cabinetCount, "cabinet") + " of " + std::to_string(result.cabinetSize) + " bytes";
    }
    return text + ")\n";
}

// What the command prints once it has gone through: nothing before. What it
// warns of goes to warnings.
std::string result(const PackOptions& options, Platform& platform, std::span<const std::byte> stub,
                   std::vector<std::string>& warnings) {
    switch (options.action) {
    case PackOptions::Info: {
        const Description description = describe(options.input, platform);
        return options.json ? infoJson(description) : infoText(description);
    }
    case PackOptions::Extract: return extract(options.input, options.folder, options.force, platform);
    case PackOptions::Winget: return winget(options.input, options.winget, platform, warnings);
    case PackOptions::Verify: return verify(options.input, platform);
    default: return summary(options, pack(options, platform, stub, warnings));
    }
}

} // namespace

int run(const std::vector<std::string>& args, Platform& platform, std::span<const std::byte> stub, std::ostream& out,
        std::ostream& err) {
    constexpr char prefix[] = "tarnell-pack: ";
    try {
        const PackOptions options = parseCommandLine(args);
        if (options.action == PackOptions::ShowHelp) {
            out << usageText;
        } else if (options.action == PackOptions::ShowVersion) {
            out << "tarnell-pack " << toolVersion << "\n";
        } else {
            std::vector<std::string> warnings;
            const std::string printed = result(options, platform, stub, warnings);
            for (const std::string& warning : warnings) {
                err << prefix << "warning: " << warning << "\n";
            }
            out << printed;
        }
        return 0;
    } catch (const UsageError& e) {
        err << prefix << e.what() << "\nTry 'tarnell-pack --help'.\n";
        return 2;
    } catch (const NothingToVerify& e) {
        err << prefix << e.what() << "\n";
        return 3;
    } catch (const std::bad_alloc&) {
        err << prefix << "out of memory\n";
        return 1;
    } catch (const std::exception& e) {
        err << prefix << e.what() << "\n";
        return 1;
    }
}

} // namespace pack
