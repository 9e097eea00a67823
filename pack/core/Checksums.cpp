#include "Checksums.h"

#include <charconv>

namespace pack {
namespace {

constexpr size_t hexDigits = 16;

std::string hex(uint64_t value) {
    std::string text(hexDigits, '0');
    for (size_t i = hexDigits; i-- > 0; value >>= 4) {
        text[i] = "0123456789abcdef"[value & 0xF];
    }
    return text;
}

std::string line(const std::string& part, const PartChecksum& checksum) {
    return part + " " + std::to_string(checksum.size) + " " + hex(checksum.xxh3) + "\n";
}

// A number as the format writes it: digits alone, no leading zero, in range.
std::optional<uint64_t> number(std::string_view text, int base) {
    uint64_t value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value, base);
    if (text.empty() || stop != end || error != std::errc() || (base == 10 && text.size() > 1 && text[0] == '0')) {
        return std::nullopt;
    }
    return value;
}

// The line for part at the start of text, which it then leaves.
std::optional<PartChecksum> readLine(std::string_view& text, const std::string& part) {
    const size_t end = text.find('\n');
    if (end == std::string_view::npos || !text.starts_with(part + " ")) {
        return std::nullopt;
    }
    const std::string_view fields = text.substr(part.size() + 1, end - part.size() - 1);
    text.remove_prefix(end + 1);
    const size_t blank = fields.find(' ');
    if (blank == std::string_view::npos || fields.size() - blank - 1 != hexDigits) {
        return std::nullopt;
    }
    const std::string_view digest = fields.substr(blank + 1);
    const std::optional<uint64_t> size = number(fields.substr(0, blank), 10);
    const std::optional<uint64_t> xxh3 = number(digest, 16);
    if (!size || !xxh3 || hex(*xxh3) != digest) {
        return std::nullopt;
    }
    return PartChecksum{*size, *xxh3};
}

} // namespace

std::string formatChecksums(const Checksums& checksums) {
    std::string text = line("MSI", checksums.package);
    for (size_t i = 0; i < checksums.cabinets.size(); ++i) {
        text += line(std::to_string(i + 1), checksums.cabinets[i]);
    }
    return text;
}

std::optional<Checksums> parseChecksums(std::string_view text, size_t cabinetCount) {
    Checksums checksums;
    const std::optional<PartChecksum> package = readLine(text, "MSI");
    if (!package) {
        return std::nullopt;
    }
    checksums.package = *package;
    for (size_t i = 0; i < cabinetCount; ++i) {
        const std::optional<PartChecksum> cabinet = readLine(text, std::to_string(i + 1));
        if (!cabinet) {
            return std::nullopt;
        }
        checksums.cabinets.push_back(*cabinet);
    }
    if (!text.empty()) {
        return std::nullopt;
    }
    return checksums;
}

std::optional<std::string> checksumMismatch(const PartChecksum& recorded, const PartChecksum& found) {
    if (found.size != recorded.size) {
        return "holds " + std::to_string(found.size) + " bytes where " + std::to_string(recorded.size) + " were packed";
    }
    if (found.xxh3 != recorded.xxh3) {
        return "has the checksum " + hex(found.xxh3) + " where " + hex(recorded.xxh3) + " was recorded";
    }
    return std::nullopt;
}

} // namespace pack
