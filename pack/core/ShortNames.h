#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

// Where 8.3 names are made, Windows gives a file whose name is no 8.3 name a
// second, short one ("LONGCA~1.CAB" for "LongCabinetName.cab"), and opens the
// file by either: a file named like a short name beside a long name may find
// its name taken, or open the other file. Which stem the short name gets (a
// number after the first letters or, after four, a hash, from characters mapped
// through the OEM code page) depends on the folder and the system, so a name of
// that shape is taken to collide with every long name whose short names would
// have its extension.
namespace pack {

// The names of one folder's files, each checked as it is added against those
// before it: names that Windows takes for one file (the same but for letter
// case, by its own table) or that may collide through a short name. Lookups
// go through ordered maps: a list of many names costs n log n, not n squared.
class FolderNames {
public:
    // The name added before that name may take for its own file, or nothing
    // (then name is added).
    std::optional<std::u16string> clash(const std::u16string& name);

private:
    std::map<std::u16string, std::u16string> byUpperCase;
    // By the extension of short names: long names that may get one, and names that look like one.
    std::map<std::u16string, std::u16string> longNames;
    std::map<std::u16string, std::u16string> shortForms;
};

// The extension, in upper case, of a name in the shape of a generated short
// name (an 8.3 name whose stem ends in "~" and digits); nothing for another.
std::optional<std::u16string> shortFormExtension(std::u16string_view name);

// The extension of the short names Windows may give a name that is no 8.3
// name (its own, cut to 3 characters, in upper case); nothing for an 8.3 name
// in one case, which gets none.
std::optional<std::u16string> generatedShortExtension(std::u16string_view name);

} // namespace pack
