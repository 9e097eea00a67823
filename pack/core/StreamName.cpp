#include "StreamName.h"

namespace pack {
namespace {

constexpr char16_t pairBase = 0x3800, singleBase = 0x4800, tableMark = 0x4840;

char16_t packedCharacter(unsigned value) {
    constexpr char16_t alphabet[] = u"0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz._";
    return alphabet[value & 0x3F];
}

} // namespace

StreamName decodeStreamName(std::u16string_view stored) {
    StreamName result;
    if (!stored.empty() && stored.front() == tableMark) {
        result.isTable = true;
        stored.remove_prefix(1);
    }
    for (const char16_t c : stored) {
        if (c >= pairBase && c < singleBase) {
            result.name += packedCharacter(c - pairBase);
            result.name += packedCharacter((c - pairBase) >> 6);
        } else if (c >= singleBase && c < tableMark) {
            result.name += packedCharacter(c - singleBase);
        } else {
            result.name += c;
        }
    }
    return result;
}

} // namespace pack
