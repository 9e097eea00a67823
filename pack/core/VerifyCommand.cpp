#include "VerifyCommand.h"

#include "SetupReader.h"
#include "Text.h"
#include "Xxh3.h"

namespace pack {
namespace {

// The size and, when it is the one recorded, the XXH3 of a part as the setup program holds it.
PartChecksum measured(const FileRange& part, const PartChecksum& recorded) {
    PartChecksum found{part.size(), recorded.xxh3};
    if (found.size == recorded.size) {
        Xxh3 xxh3;
        part.forEachPiece([&](std::span<const std::byte> piece) { xxh3.add(piece); });
        found.xxh3 = xxh3.digest();
    }
    return found;
}

void check(const std::string& setup, const std::string& part, const FileRange& bytes, const PartChecksum& recorded) {
    if (const std::optional<std::string> mismatch = checksumMismatch(recorded, measured(bytes, recorded))) {
        throw PackError(setup + ": damaged: " + part + " " + *mismatch);
    }
}

} // namespace

std::string verify(const std::string& setup, Platform& platform) {
    const std::unique_ptr<InputFile> input = platform.openInput(setup);
    const SetupContents contents = readSetup(FileRange(*input), setup);
    if (!contents.checksums) {
        throw NothingToVerify(setup + ": records no checksums (packed by an older tarnell-pack): nothing to verify");
    }
    check(setup, "the package", contents.package, contents.checksums->package);
    for (size_t i = 0; i < contents.cabinets.size(); ++i) {
        check(setup, "the cabinet '" + shown(contents.cabinets[i].name) + "'", contents.cabinets[i].bytes,
              contents.checksums->cabinets[i]);
    }
    const size_t cabinets = contents.cabinets.size();
    const std::string parts = cabinets == 0 ? "the package matches"
                                            : "the package and " + std::to_string(cabinets) +
                                                  (cabinets == 1 ? " cabinet match" : " cabinets match");
    return setup + ": intact: " + parts + " the sizes and checksums recorded when it was packed\n";
}

} // namespace pack
