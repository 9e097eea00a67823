#include "Resources.h"

#include "ErrorHandling.h"
#include "WinErrorHandling.h"
#include "WinFileUtils.h"

namespace {

UINT16 resourceId(LPCWSTR value) { return static_cast<UINT16>(reinterpret_cast<ULONG_PTR>(value)); }

WString textOf(LPCWSTR value) {
    if (IS_INTRESOURCE(value)) {
        // Not std::to_wstring: it formats through the C runtime's whole wide printf.
        return (tstrings::MessageBuilder() << L"#" << resourceId(value)).str();
    }
    return value;
}

// String tables come in blocks of 16 entries, each a character count followed
// by that many characters without a terminating zero.
constexpr UINT16 stringsPerBlock = 16;

LPCWSTR stringTableBlockName(LPCWSTR stringId) {
    return MAKEINTRESOURCEW(resourceId(stringId) / stringsPerBlock + 1);
}

LPCVOID findStringEntry(LPCVOID block, LPCWSTR stringId, DWORD& size) {
    const auto* entry = static_cast<const wchar_t*>(block);
    for (UINT16 skip = resourceId(stringId) % stringsPerBlock; skip > 0; --skip) {
        entry += *entry + 1;
    }
    size = *entry * sizeof(wchar_t);
    return entry + 1;
}

} // namespace

Resource::Resource(LPCWSTR name, LPCWSTR type, HMODULE module)
    : nameText(textOf(name)), nameValue(name), typeText(textOf(type)), typeValue(type), module(module) {
    pointValuesAtTexts();
}

Resource::Resource(UINT16 id, LPCWSTR type, HMODULE module) : Resource(MAKEINTRESOURCEW(id), type, module) {}

Resource::Resource(Resource&& other) noexcept
    : nameText(std::move(other.nameText)),
      nameValue(other.nameValue),
      typeText(std::move(other.typeText)),
      typeValue(other.typeValue),
      module(other.module) {
    pointValuesAtTexts();
    other.pointValuesAtTexts();
}

Resource& Resource::operator=(Resource&& other) noexcept {
    if (this != &other) {
        nameText = std::move(other.nameText);
        nameValue = other.nameValue;
        typeText = std::move(other.typeText);
        typeValue = other.typeValue;
        module = other.module;
        pointValuesAtTexts();
        other.pointValuesAtTexts();
    }
    return *this;
}

// The text pointers given to the system must stay inside this object, wherever it moves.
void Resource::pointValuesAtTexts() {
    if (!IS_INTRESOURCE(nameValue)) {
        nameValue = nameText.c_str();
    }
    if (!IS_INTRESOURCE(typeValue)) {
        typeValue = typeText.c_str();
    }
}

HRSRC Resource::find() const {
    const LPCWSTR name = typeValue == RT_STRING ? stringTableBlockName(nameValue) : nameValue;
    return FindResourceW(module, name, typeValue);
}

WString Resource::description() const {
    return (tstrings::MessageBuilder() << " (name='" << nameText << "', type='" << typeText << "')").str();
}

LPCVOID Resource::getPtr(DWORD& size) const {
    const HRSRC found = find();
    if (found == nullptr) {
        THROW_SYS_ERROR("cannot find resource" << description(), FindResourceW);
    }
    const HGLOBAL loaded = LoadResource(module, found);
    if (loaded == nullptr) {
        THROW_SYS_ERROR("cannot load resource" << description(), LoadResource);
    }
    const LPCVOID data = LockResource(loaded);
    if (data == nullptr) {
        THROW_SYS_ERROR("cannot lock resource" << description(), LockResource);
    }
    if (typeValue == RT_STRING) {
        return findStringEntry(data, nameValue, size);
    }
    size = SizeofResource(module, found);
    return data;
}

bool Resource::exists() const { return find() != nullptr; }

DWORD Resource::size() const {
    DWORD size = 0;
    getPtr(size);
    return size;
}

LPCVOID Resource::data() const {
    DWORD size = 0;
    return getPtr(size);
}

std::vector<BYTE> Resource::bytes() const {
    DWORD size = 0;
    const auto* data = static_cast<const BYTE*>(getPtr(size));
    return std::vector<BYTE>(data, data + size);
}

void Resource::writeTo(const WString& path) const {
    DWORD size = 0;
    const LPCVOID data = getPtr(size);
    // One write straight from the mapped data: the package may be hundreds of megabytes.
    FileUtils::StagedFileWriter writer(path);
    writer.write(data, size);
    writer.finalize();
}

StringResource::StringResource(UINT16 id, HMODULE module) : Resource(id, RT_STRING, module) {}

WString StringResource::string() const {
    DWORD size = 0;
    const auto* chars = static_cast<const wchar_t*>(getPtr(size));
    return WString(chars, size / sizeof(wchar_t));
}

WString StringResource::string(const std::nothrow_t&, const WString& defaultValue) const {
    try {
        return string();
    }
    CATCH_AND_REPORT
    return defaultValue;
}
