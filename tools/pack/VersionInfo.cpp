#include "VersionInfo.h"

#include <algorithm>
#include <cstring>
#include <cwctype>
#include <optional>
#include <string>

namespace {

// US English, Unicode: the translation Explorer looks for first.
constexpr WORD language = 0x0409;
constexpr WORD codePage = 1200;

// One block of the resource: a key, a text or binary value, and child blocks.
struct Block {
    WString key;
    std::vector<BYTE> value;
    bool isText = false;
    std::vector<Block> children;
};

void appendBytes(std::vector<BYTE>& out, const void* data, size_t size) {
    const auto* bytes = static_cast<const BYTE*>(data);
    out.insert(out.end(), bytes, bytes + size);
}

void appendWord(std::vector<BYTE>& out, WORD value) { appendBytes(out, &value, sizeof(value)); }

void appendText(std::vector<BYTE>& out, const WString& text) {
    appendBytes(out, text.c_str(), (text.size() + 1) * sizeof(wchar_t));
}

void alignToDword(std::vector<BYTE>& out) { out.resize((out.size() + 3) / 4 * 4); }

// Each block starts on a 32-bit boundary, as do its value and children; its
// length covers its children but not the padding after the last one.
void appendBlock(std::vector<BYTE>& out, const Block& block) {
    alignToDword(out);
    const size_t start = out.size();
    appendWord(out, 0);
    // A text's length counts its characters with the terminating zero, anything else's its bytes.
    appendWord(out, static_cast<WORD>(block.isText ? block.value.size() / sizeof(wchar_t) : block.value.size()));
    appendWord(out, block.isText ? 1 : 0);
    appendText(out, block.key);
    alignToDword(out);
    appendBytes(out, block.value.data(), block.value.size());
    for (const Block& child : block.children) {
        appendBlock(out, child);
    }
    const auto length = static_cast<WORD>(out.size() - start);
    std::memcpy(out.data() + start, &length, sizeof(length));
}

Block textBlock(const WString& key, const WString& value) {
    Block block{key, {}, true, {}};
    appendText(block.value, value);
    return block;
}

Block listBlock(const WString& key, std::vector<Block> children) { return Block{key, {}, true, std::move(children)}; }

Block stringTable(const PackageInfo& package, const WString& fileName) {
    const WString description = package.productName.empty() ? L"Setup" : package.productName + L" Setup";
    const std::pair<const wchar_t*, WString> strings[] = {
        {L"CompanyName", package.manufacturer},      {L"FileDescription", description},
        {L"FileVersion", package.productVersion},    {L"OriginalFilename", fileName},
        {L"ProductName", package.productName},       {L"ProductVersion", package.productVersion},
    };
    std::vector<Block> children;
    for (const auto& [key, value] : strings) {
        if (!value.empty()) {
            children.push_back(textBlock(key, value));
        }
    }
    const WString tableKey = tstrings::format(L"%04X%04X", language, codePage);
    return listBlock(L"StringFileInfo", {listBlock(tableKey, std::move(children))});
}

Block translations() {
    Block translation{L"Translation", {}, false, {}};
    appendWord(translation.value, language);
    appendWord(translation.value, codePage);
    return listBlock(L"VarFileInfo", {std::move(translation)});
}

// A decimal number below 65536, or nothing.
std::optional<WORD> parseVersionField(const WString& text) {
    if (text.empty() || text.size() > 5 || !std::all_of(text.begin(), text.end(), ::iswdigit)) {
        return std::nullopt;
    }
    const unsigned long value = std::stoul(text);
    return value <= 0xFFFF ? std::optional<WORD>(static_cast<WORD>(value)) : std::nullopt;
}

VS_FIXEDFILEINFO fixedInfo(const WString& versionText) {
    const ULONGLONG version = parseVersion(versionText);
    VS_FIXEDFILEINFO info{};
    info.dwSignature = VS_FFI_SIGNATURE;
    info.dwStrucVersion = VS_FFI_STRUCVERSION;
    info.dwFileVersionMS = info.dwProductVersionMS = static_cast<DWORD>(version >> 32);
    info.dwFileVersionLS = info.dwProductVersionLS = static_cast<DWORD>(version);
    info.dwFileFlagsMask = VS_FFI_FILEFLAGSMASK;
    info.dwFileOS = VOS_NT_WINDOWS32;
    info.dwFileType = VFT_APP;
    return info;
}

} // namespace

ULONGLONG parseVersion(const WString& text) {
    const WStringList fields = tstrings::split(text, L".", tstrings::KeepEmpty);
    if (fields.empty() || fields.size() > 4) {
        return 0;
    }
    ULONGLONG version = 0;
    for (size_t i = 0; i < 4; ++i) {
        const std::optional<WORD> field = i < fields.size() ? parseVersionField(fields[i]) : WORD{0};
        if (!field) {
            return 0;
        }
        version = version << 16 | *field;
    }
    return version;
}

std::vector<BYTE> versionResource(const PackageInfo& package, const WString& fileName) {
    Block root{L"VS_VERSION_INFO", {}, false, {stringTable(package, fileName), translations()}};
    const VS_FIXEDFILEINFO info = fixedInfo(package.productVersion);
    appendBytes(root.value, &info, sizeof(info));
    std::vector<BYTE> out;
    appendBlock(out, root);
    return out;
}
