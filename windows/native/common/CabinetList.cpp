#include "CabinetList.h"

#include "ErrorHandling.h"

bool isPlainCabinetName(const WString& name) {
    if (name.empty() || name == L"." || name == L".." || tstrings::toLower(name) == L"main.msi") {
        return false;
    }
    for (const wchar_t c : name) {
        if (c < 0x20 || WString(L"\\/:<>\"|?*").find(c) != WString::npos) {
            return false;
        }
    }
    return true;
}

WStringList parseCabinetList(const std::string& utf8) {
    if (!utf8.empty() && utf8.back() != '\n') {
        THROW_RUNTIME_ERROR("The list of cabinets does not end with a line end");
    }
    WStringList names;
    for (size_t start = 0; start < utf8.size();) {
        const size_t end = utf8.find('\n', start);
        const WString name = tstrings::fromUtf8(utf8.substr(start, end - start));
        if (!isPlainCabinetName(name)) {
            THROW_RUNTIME_ERROR("Cabinet name '" << name << "' is not a plain file name");
        }
        names.push_back(name);
        start = end + 1;
    }
    return names;
}
