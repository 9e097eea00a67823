#include "CabinetFiles.h"

#include "Cabinets.h"
#include "Text.h"

namespace pack {
namespace {

// Media rows may spell a cabinet in other letter cases: on Windows one file,
// here perhaps two, of which the setup program could carry only one.
void checkOneFile(const ExternalCabinet& cabinet, const FileIdentity& identity, const std::string& folder,
                  const std::string& path, Platform& platform) {
    for (const std::u16string& spelling : cabinet.otherSpellings) {
        const FileStatus other = platform.statusOf(platform.join(folder, toUtf8(spelling)));
        if (other.kind != FileStatus::Missing && other.identity != identity) {
            throw PackError(path + ": the cabinets '" + shown(cabinet.name) + "' and '" + shown(spelling) +
                            "' are two files, and Windows takes their names for one");
        }
    }
}

} // namespace

std::vector<CabinetFile> openCabinets(const PackageInfo& package, const std::string& path, Platform& platform) {
    if (const std::optional<int32_t> sequence = fileOutsideCabinets(package)) {
        throw PackError(path + ": the file with sequence " + std::to_string(*sequence) +
                        " is in no cabinet, and a setup program carries only files in cabinets");
    }
    const std::vector<ExternalCabinet> external = externalCabinets(package);
    std::vector<std::u16string> names;
    for (const ExternalCabinet& cabinet : external) {
        names.push_back(cabinet.name);
    }
    if (const std::optional<std::string> fault = cabinetNamesFault(names)) {
        throw PackError(path + ": " + *fault);
    }
    const std::string folder = platform.folderOf(path);
    std::vector<CabinetFile> cabinets;
    for (const ExternalCabinet& cabinet : external) {
        const std::string cabinetPath = platform.join(folder, toUtf8(cabinet.name));
        const FileStatus status = platform.statusOf(cabinetPath);
        if (status.kind != FileStatus::File) {
            throw PackError(path + ": the cabinet '" + shown(cabinet.name) + "' was not found in " + folder);
        }
        checkOneFile(cabinet, status.identity, folder, path, platform);
        cabinets.push_back(CabinetFile{cabinet.name, cabinetPath, platform.openInput(cabinetPath)});
    }
    return cabinets;
}

} // namespace pack
