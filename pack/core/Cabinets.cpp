#include "Cabinets.h"

#include <algorithm>
#include <array>

#include "ShortNames.h"
#include "Text.h"
#include "WindowsCase.h"

namespace pack {
namespace {

bool isForbidden(char16_t c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || std::u16string_view(u"\\/:<>\"|?*").find(c) != std::u16string_view::npos;
}

bool isPortDigit(char16_t c) { return (c >= u'1' && c <= u'9') || c == u'\u00B9' || c == u'\u00B2' || c == u'\u00B3'; }

} // namespace

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
    if (name.size() > maxNameLength) {
        return "is longer than the " + std::to_string(maxNameLength) + " characters of a file name";
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

std::string formatCabinetList(const std::vector<std::u16string>& names) {
    std::string list;
    for (const std::u16string& name : names) {
        list += toUtf8(name) + "\n";
    }
    return list;
}

std::optional<std::string> cabinetNamesFault(const std::vector<std::u16string>& names) {
    if (names.size() > maxCabinets) {
        return "there are " + std::to_string(names.size()) + " cabinets, and a setup program carries at most " +
               std::to_string(maxCabinets);
    }
    FolderNames folder;
    for (const std::u16string& name : names) {
        if (const std::optional<std::string> fault = plainNameFault(name)) {
            return "the cabinet name '" + shown(name) + "' " + *fault;
        }
        if (const std::optional<std::u16string> earlier = folder.clash(name)) {
            if (windowsUpper(*earlier) == windowsUpper(name)) {
                return "the cabinet names '" + shown(*earlier) + "' and '" + shown(name) + "' name one file";
            }
            const bool nameIsShort = shortFormExtension(name).has_value();
            return "the cabinet name '" + shown(nameIsShort ? name : *earlier) + "' may name the file '" +
                   shown(nameIsShort ? *earlier : name) + "' too: Windows may give that file this short name";
        }
    }
    return std::nullopt;
}

CabinetList parseCabinetList(std::string_view utf8) {
    if (!utf8.empty() && utf8.back() != '\n') {
        return {{}, "the list of cabinets does not end with a line end"};
    }
    if (toUtf8(toUtf16(utf8)) != utf8) {
        return {{}, "the list of cabinets is not UTF-8"};
    }
    CabinetList list;
    // Counted before anything else is done for each: a list of a million names stops here.
    if (std::count(utf8.begin(), utf8.end(), '\n') > static_cast<std::ptrdiff_t>(maxCabinets)) {
        return {{}, "the list of cabinets is longer than a setup program carries"};
    }
    for (size_t start = 0; start < utf8.size();) {
        const size_t end = utf8.find('\n', start);
        list.names.push_back(toUtf16(utf8.substr(start, end - start)));
        start = end + 1;
    }
    if (std::optional<std::string> fault = cabinetNamesFault(list.names)) {
        return {{}, std::move(*fault)};
    }
    return list;
}

} // namespace pack
