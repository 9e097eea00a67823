#include "IconvText.h"

#include <iconv.h>

#include <vector>

namespace pack {
namespace {

class Converter {
public:
    explicit Converter(uint32_t codePage)
        : handle(iconv_open("UTF-16LE", codePage == 65001 ? "UTF-8" : ("CP" + std::to_string(codePage)).c_str())) {}
    ~Converter() {
        if (ok()) {
            iconv_close(handle);
        }
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool ok() const { return handle != reinterpret_cast<iconv_t>(-1); }
    iconv_t get() const { return handle; }

private:
    iconv_t handle;
};

constexpr char16_t replacement = 0xFFFD;

} // namespace

std::u16string decodeWithIconv(uint32_t codePage, std::string_view bytes) {
    const Converter converter(codePage);
    if (!converter.ok()) {
        return std::u16string(bytes.size(), replacement);
    }
    std::u16string text;
    std::vector<char> buffer(bytes.size() * 4 + 4);
    // Converts what is left into the buffer (all of it: the buffer holds the whole text's worth), or with no
    // input at all, writes what the converter holds back and resets it. Code pages 1255 and 1258 hold back each
    // character that a combining mark could still follow.
    const auto convert = [&](char** in, size_t* inLeft) {
        char* out = buffer.data();
        size_t outLeft = buffer.size();
        const size_t result = iconv(converter.get(), in, inLeft, &out, &outLeft);
        for (const char* p = buffer.data(); p + 1 < out; p += 2) {
            text += static_cast<char16_t>(static_cast<uint8_t>(p[0]) | static_cast<uint8_t>(p[1]) << 8);
        }
        return result != static_cast<size_t>(-1);
    };
    char* in = const_cast<char*>(bytes.data());
    size_t inLeft = bytes.size();
    while (inLeft > 0) {
        if (!convert(&in, &inLeft)) {
            // A byte the code page does not map, or a character cut off at the end: what came before it, one
            // replacement, then on.
            convert(nullptr, nullptr);
            text += replacement;
            ++in;
            --inLeft;
        }
    }
    convert(nullptr, nullptr);
    return text;
}

} // namespace pack
