#include "CabinetFiles.h"

#include <algorithm>
#include <map>
#include <set>

#include "Cabinets.h"
#include "Text.h"
#include "WindowsCase.h"

namespace pack {
namespace {

bool isEmbedded(const std::u16string& cabinet) { return !cabinet.empty() && cabinet[0] == u'#'; }

std::vector<MediaRow> byDiskId(std::vector<MediaRow> media) {
    std::stable_sort(media.begin(), media.end(), [](const MediaRow& a, const MediaRow& b) { return a.diskId < b.diskId; });
    return media;
}

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

std::vector<ExternalCabinet> externalCabinets(const PackageInfo& package) {
    std::vector<ExternalCabinet> cabinets;
    std::map<std::u16string, size_t> byUpperCase;
    // Each spelling looked at once, however many rows (first) or strings (then) hold it.
    std::vector<bool> rowsSeen(package.cabinets.size());
    std::set<std::u16string_view> spellings;
    for (const MediaRow& row : byDiskId(package.media)) {
        const std::u16string& name = package.cabinetOf(row);
        if (rowsSeen[row.cabinet] || name.empty() || isEmbedded(name) || !spellings.insert(name).second) {
            continue;
        }
        rowsSeen[row.cabinet] = true;
        const auto [found, added] = byUpperCase.emplace(windowsUpper(name), cabinets.size());
        if (added) {
            cabinets.push_back(ExternalCabinet{name, {}});
        } else {
            cabinets[found->second].otherSpellings.push_back(name);
        }
    }
    return cabinets;
}

std::optional<int32_t> fileOutsideCabinets(const PackageInfo& package) {
    std::vector<MediaRow> media = package.media;
    std::stable_sort(media.begin(), media.end(),
                     [](const MediaRow& a, const MediaRow& b) { return a.lastSequence < b.lastSequence; });
    for (const int32_t sequence : package.fileSequences) {
        // The installer takes a file from the first disk whose last sequence reaches it.
        const auto disk = std::lower_bound(media.begin(), media.end(), sequence,
                                           [](const MediaRow& row, int32_t value) { return row.lastSequence < value; });
        if (disk == media.end() || package.cabinetOf(*disk).empty()) {
            return sequence;
        }
    }
    return std::nullopt;
}

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
            throw PackError(path + ": the cabinet '" + shown(cabinet.name) + "' was not found in " +
                            (folder == "." ? platform.currentFolder() : folder));
        }
        checkOneFile(cabinet, status.identity, folder, path, platform);
        cabinets.push_back(CabinetFile{cabinet.name, cabinetPath, platform.openInput(cabinetPath)});
    }
    return cabinets;
}

} // namespace pack
