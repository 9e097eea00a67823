#include "CabinetFiles.h"

#include "Cabinets.h"
#include "Text.h"

namespace pack {

std::vector<CabinetFile> openCabinets(const PackageInfo& package, const std::string& path, Platform& platform) {
    if (const std::optional<int32_t> sequence = fileOutsideCabinets(package)) {
        throw PackError(path + ": the file with sequence " + std::to_string(*sequence) +
                        " is in no cabinet, and a setup program carries only files in cabinets");
    }
    const std::vector<std::u16string> names = externalCabinets(package);
    for (const std::u16string& name : names) {
        if (const std::optional<std::string> fault = plainNameFault(name)) {
            throw PackError(path + ": the cabinet name '" + shown(name) + "' " + *fault);
        }
    }
    const std::string folder = platform.folderOf(path);
    std::vector<CabinetFile> cabinets;
    for (const std::u16string& name : names) {
        const std::string cabinetPath = platform.join(folder, toUtf8(name));
        if (platform.statusOf(cabinetPath).kind != FileStatus::File) {
            throw PackError(path + ": the cabinet '" + shown(name) + "' was not found in " +
                            (folder == "." ? platform.currentFolder() : folder));
        }
        cabinets.push_back(CabinetFile{name, cabinetPath, platform.openInput(cabinetPath)});
    }
    return cabinets;
}

} // namespace pack
