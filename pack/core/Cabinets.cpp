#include "Cabinets.h"

#include <algorithm>
#include <array>

#include "Text.h"
#include "WindowsCase.h"

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

bool isPortDigit(char16_t c) { return (c >= u'1' && c <= u'9') || c == u'\u00B9' || c == u'\u00B2' || c == u'\u00B3'; }

} // namespace

std::vector<std::u16string> externalCabinets(const PackageInfo& package) {
    std::vector<std::u16string> names;
    std::vector<std::u16string> seen;
    for (const MediaRow& row : byDiskId(package.media)) {
        const std::u16string& cabinet = package.cabinetOf(row);
        if (cabinet.empty() || isEmbedded(cabinet)) {
            continue;
        }
        const std::u16string key = windowsUpper(cabinet);
        if (std::find(seen.begin(), seen.end(), key) == seen.end()) {
            seen.push_back(key);
            names.push_back(cabinet);
        }
    }
    return names;
}

bool isDeviceName(std::u16string_view name) {
    std::u16string stem = asciiUpper(name.substr(0, name.find_first_of(u".:")));
    stem.erase(stem.find_last_not_of(u' ') + 1);
    static const std::array<std::u16string_view, 6> devices = {u"CON", u"PRN", u"AUX", u"NUL", u"CONIN$", u"CONOUT$"};
    if (std::find(devices.begin(), devices.end(), stem) != devices.end()) {
        return true;
    }
    return stem.size() == 4 && (stem.starts_with(u"COM") || stem.starts_with(u"LPT")) && isPortDigit(stem[3]);
}

std::optional<std::string> plainNameFault(std::u16string_view name) {
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
    if (windowsUpper(name) == u"MAIN.MSI") {
        return "is the name the package itself takes";
    }
    return std::nullopt;
}

std::optional<int32_t> fileOutsideCabinets(const PackageInfo& package) {
    std::vector<MediaRow> media = package.media;
    const auto before = [](const MediaRow& row, int32_t sequence) { return row.lastSequence < sequence; };
    std::stable_sort(media.begin(), media.end(),
                     [&](const MediaRow& a, const MediaRow& b) { return before(a, b.lastSequence); });
    for (const int32_t sequence : package.fileSequences) {
        // The installer takes a file from the first disk whose last sequence reaches it.
        const auto disk = std::lower_bound(media.begin(), media.end(), sequence, before);
        if (disk == media.end() || package.cabinetOf(*disk).empty()) {
            return sequence;
        }
    }
    return std::nullopt;
}

std::string formatCabinetList(const std::vector<std::u16string>& names) {
    std::string list;
    for (const std::u16string& name : names) {
        list += toUtf8(name) + "\n";
    }
    return list;
}

CabinetList parseCabinetList(std::string_view utf8) {
    if (!utf8.empty() && utf8.back() != '\n') {
        return {{}, "the list of cabinets does not end with a line end"};
    }
    if (toUtf8(toUtf16(utf8)) != utf8) {
        return {{}, "the list of cabinets is not UTF-8"};
    }
    CabinetList list;
    std::vector<std::u16string> keys;
    for (size_t start = 0; start < utf8.size();) {
        const size_t end = utf8.find('\n', start);
        const std::u16string name = toUtf16(utf8.substr(start, end - start));
        if (const std::optional<std::string> fault = plainNameFault(name)) {
            return {{}, "the cabinet name '" + shown(name) + "' " + *fault};
        }
        const std::u16string key = windowsUpper(name);
        const auto same = std::find(keys.begin(), keys.end(), key);
        if (same != keys.end()) {
            return {{}, "the cabinet names '" + shown(list.names[static_cast<size_t>(same - keys.begin())]) + "' and '" +
                            shown(name) + "' name one file"};
        }
        keys.push_back(key);
        list.names.push_back(name);
        start = end + 1;
    }
    return list;
}

} // namespace pack
