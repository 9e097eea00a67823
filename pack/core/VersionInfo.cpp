#include "VersionInfo.h"

#include <algorithm>
#include <optional>
#include <utility>
#include <vector>

#include "Platform.h"

namespace pack {
namespace {

// US English, Unicode: the translation Explorer looks for first.
constexpr uint16_t language = 0x0409;
constexpr uint16_t codePage = 1200;
constexpr char16_t tableKey[] = u"040904B0";
constexpr uint16_t textType = 1, binaryType = 0;

// VS_FIXEDFILEINFO's fields.
constexpr uint32_t fixedSignature = 0xFEEF04BD, fixedStructVersion = 0x00010000, fileFlagsMask = 0x3F;
constexpr uint32_t osNtWindows32 = 0x00040004, typeApplication = 1;

// One block of the resource: a key, a text or binary value, and child blocks.
struct Block {
    std::u16string key;
    Bytes value;
    uint16_t valueLength = 0;  // characters with the terminating zero for a text, else bytes
    uint16_t type = textType;
    std::vector<Block> children;
};

// Each block starts on a 32-bit boundary, as do its value and children; its
// length covers its children but not the padding after the last one.
void appendBlock(ByteWriter& out, const Block& block) {
    out.alignTo(4);
    const size_t start = out.put<uint16_t>(0);
    out.put<uint16_t>(block.valueLength);
    out.put<uint16_t>(block.type);
    out.putText(block.key);
    out.put<uint16_t>(0);
    out.alignTo(4);
    out.putBytes(block.value);
    for (const Block& child : block.children) {
        appendBlock(out, child);
    }
    if (out.size() - start > 0xFFFF) {
        throw PackError("the version information of the setup program outgrows its 16-bit lengths");
    }
    out.putAt<uint16_t>(start, static_cast<uint16_t>(out.size() - start));
}

// Cut to the limit, never between the halves of a surrogate pair.
std::u16string shortened(std::u16string text) {
    if (text.size() > maxVersionTextLength) {
        const bool splitsPair = text[maxVersionTextLength] >= 0xDC00 && text[maxVersionTextLength] <= 0xDFFF;
        text.resize(maxVersionTextLength - (splitsPair ? 1 : 0));
    }
    return text;
}

Block textBlock(const std::u16string& key, const std::u16string& text) {
    ByteWriter value;
    const std::u16string cut = shortened(text);
    value.putText(cut);
    value.put<uint16_t>(0);
    return Block{key, std::move(value.bytes()), static_cast<uint16_t>(cut.size() + 1), textType, {}};
}

Block listBlock(const std::u16string& key, std::vector<Block> children) {
    return Block{key, {}, 0, textType, std::move(children)};
}

Block stringTable(const VersionTexts& texts) {
    const std::u16string description = texts.productName.empty() ? u"Setup" : texts.productName + u" Setup";
    const std::pair<const char16_t*, std::u16string> strings[] = {
        {u"CompanyName", texts.manufacturer},      {u"FileDescription", description},
        {u"FileVersion", texts.productVersion},    {u"OriginalFilename", texts.fileName},
        {u"ProductName", texts.productName},       {u"ProductVersion", texts.productVersion},
    };
    std::vector<Block> children;
    for (const auto& [key, value] : strings) {
        if (!value.empty()) {
            children.push_back(textBlock(key, value));
        }
    }
    return listBlock(u"StringFileInfo", {listBlock(tableKey, std::move(children))});
}

Block translations() {
    ByteWriter value;
    value.put<uint16_t>(language);
    value.put<uint16_t>(codePage);
    return listBlock(u"VarFileInfo", {Block{u"Translation", std::move(value.bytes()), 4, binaryType, {}}});
}

Bytes fixedInfo(uint64_t version) {
    const auto high = static_cast<uint32_t>(version >> 32);
    const auto low = static_cast<uint32_t>(version);
    const uint32_t fields[] = {fixedSignature, fixedStructVersion, high, low, high, low, fileFlagsMask, 0,
                               osNtWindows32,  typeApplication,    0,    0,   0};
    ByteWriter out;
    for (const uint32_t field : fields) {
        out.put<uint32_t>(field);
    }
    return std::move(out.bytes());
}

// A decimal number below 65536 in at most five ASCII digits, or nothing.
std::optional<uint16_t> parseVersionField(std::u16string_view text) {
    if (text.empty() || text.size() > 5) {
        return std::nullopt;
    }
    uint32_t value = 0;
    for (const char16_t c : text) {
        if (c < u'0' || c > u'9') {
            return std::nullopt;
        }
        value = value * 10 + (c - u'0');
    }
    return value <= 0xFFFF ? std::optional<uint16_t>(static_cast<uint16_t>(value)) : std::nullopt;
}

} // namespace

uint64_t parseVersion(std::u16string_view text) {
    uint64_t version = 0;
    size_t fields = 0;
    for (size_t start = 0; start <= text.size(); ++fields) {
        const size_t end = std::min(text.find(u'.', start), text.size());
        const std::optional<uint16_t> field = parseVersionField(text.substr(start, end - start));
        if (!field || fields == 4) {
            return 0;
        }
        version = version << 16 | *field;
        start = end + 1;
    }
    return version << (16 * (4 - fields));
}

Bytes versionResource(const VersionTexts& texts) {
    Block root{u"VS_VERSION_INFO", fixedInfo(parseVersion(texts.productVersion)), 52, binaryType,
               {stringTable(texts), translations()}};
    ByteWriter out;
    appendBlock(out, root);
    return std::move(out.bytes());
}

} // namespace pack
