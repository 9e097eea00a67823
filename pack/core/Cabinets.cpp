#include "Cabinets.h"

#include <algorithm>
#include <array>

#include "Text.h"

namespace pack {
namespace {

bool isEmbedded(const std::u16string& cabinet) { return !cabinet.empty() && cabinet[0] == u'#'; }

std::vector<MediaRow> byDiskId(std::vector<MediaRow> media) {
    std::stable_sort(media.begin(), media.end(), [](const MediaRow& a, const MediaRow& b) { return a.diskId < b.diskId; });
    return media;
}

bool isForbidden(char16_t c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || std::u16string_view(u"\\/:<>\"|?*").find(c) != std::u16string_view::npos;
}

// CON, PRN, AUX, NUL, COM1-9 and LPT1-9 name devices, whatever extension follows.
bool isDeviceName(const std::u16string& name) {
    const std::u16string stem = asciiUpper(name.substr(0, name.find(u'.')));
    static const std::array<std::u16string_view, 4> devices = {u"CON", u"PRN", u"AUX", u"NUL"};
    if (std::find(devices.begin(), devices.end(), stem) != devices.end()) {
        return true;
    }
    return stem.size() == 4 && (stem.starts_with(u"COM") || stem.starts_with(u"LPT")) && stem[3] >= u'1' &&
           stem[3] <= u'9';
}

} // namespace

std::vector<std::u16string> externalCabinets(const PackageInfo& package) {
    std::vector<std::u16string> names;
    std::vector<std::u16string> seen;
    for (const MediaRow& row : byDiskId(package.media)) {
        if (row.cabinet.empty() || isEmbedded(row.cabinet)) {
            continue;
        }
        const std::u16string key = asciiUpper(row.cabinet);
        if (std::find(seen.begin(), seen.end(), key) == seen.end()) {
            seen.push_back(key);
            names.push_back(row.cabinet);
        }
    }
    return names;
}

std::optional<std::string> plainNameFault(const std::u16string& name) {
    if (name.empty() || name == u"." || name == u".." || std::any_of(name.begin(), name.end(), isForbidden) ||
        toUtf16(toUtf8(name)) != name) {
        return "is not a plain file name";
    }
    // Windows drops them from a file name, so the file would not have the name the package looks for.
    if (name.back() == u'.' || name.back() == u' ') {
        return "ends in a dot or a blank";
    }
    if (isDeviceName(name)) {
        return "names a device";
    }
    if (asciiUpper(name) == u"MAIN.MSI") {
        return "is the name the package itself takes";
    }
    return std::nullopt;
}

std::optional<int32_t> fileOutsideCabinets(const PackageInfo& package) {
    std::vector<MediaRow> media = package.media;
    std::stable_sort(media.begin(), media.end(),
                     [](const MediaRow& a, const MediaRow& b) { return a.lastSequence < b.lastSequence; });
    for (const int32_t sequence : package.fileSequences) {
        // The installer takes a file from the first disk whose last sequence reaches it.
        const auto disk = std::find_if(media.begin(), media.end(),
                                       [sequence](const MediaRow& row) { return row.lastSequence >= sequence; });
        if (disk == media.end() || disk->cabinet.empty()) {
            return sequence;
        }
    }
    return std::nullopt;
}

} // namespace pack
