#include "ExtractCommand.h"

#include "Description.h"
#include "OutputChecks.h"
#include "OutputFolder.h"
#include "SetupReader.h"
#include "Text.h"
#include "WindowsCase.h"

namespace pack {
namespace {

struct Extracted {
    std::u16string name;
    FileRange bytes;
};

// The cabinets' names are distinct already (SetupReader): only the package's may equal one.
std::vector<Extracted> filesOf(const SetupContents& contents, const std::string& setup) {
    std::vector<Extracted> files{{packageNameOf(contents.facts), contents.package}};
    const std::u16string packageKey = windowsUpper(files[0].name);
    for (const SetupContents::Cabinet& cabinet : contents.cabinets) {
        if (windowsUpper(cabinet.name) == packageKey) {
            throw PackError(setup + ": a damaged setup program: the package and the cabinet '" + shown(cabinet.name) +
                            "' name one file");
        }
        files.push_back(Extracted{cabinet.name, cabinet.bytes});
    }
    return files;
}

} // namespace

std::string extract(const std::string& setup, const std::string& folder, bool force, Platform& platform) {
    const std::unique_ptr<InputFile> input = platform.openInput(setup);
    const SetupContents contents = readSetup(FileRange(*input), setup);
    const std::vector<Extracted> files = filesOf(contents, setup);
    const std::vector<ReadFile> inputs{readFileAt(platform, setup, "the setup program")};

    OutputFolder target(platform, folder);
    std::vector<std::string> paths;
    for (const Extracted& file : files) {
        paths.push_back(platform.join(folder, toUtf8(file.name)));
        checkOutput(platform, paths.back(), inputs);
        if (!force && platform.statusOf(paths.back()).kind != FileStatus::Missing) {
            throw PackError(paths.back() + ": is there already; --force replaces it");
        }
    }
    // All written before any is moved into place: a failure leaves no file half-written or missing.
    std::vector<std::unique_ptr<OutputFile>> outputs;
    for (size_t i = 0; i < files.size(); ++i) {
        outputs.push_back(platform.createOutput(paths[i]));
        files[i].bytes.forEachPiece([&](std::span<const std::byte> piece) { outputs.back()->write(piece); });
    }
    std::string printed;
    for (size_t i = 0; i < files.size(); ++i) {
        outputs[i]->commit();
        printed += "Wrote " + paths[i] + " (" + std::to_string(files[i].bytes.size()) + " bytes)\n";
    }
    target.keep();
    return printed;
}

} // namespace pack
