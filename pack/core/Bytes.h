#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// Little-endian byte layouts, written and read field by field.
namespace pack {

using Bytes = std::vector<std::byte>;

// True when length bytes from offset lie inside a buffer of size bytes.
constexpr bool within(uint64_t size, uint64_t offset, uint64_t length) {
    return offset <= size && length <= size - offset;
}

// The caller has checked that the field lies inside bytes.
template <class T>
T readLe(std::span<const std::byte> bytes, size_t offset) {
    T value = 0;
    for (size_t i = 0; i < sizeof(T); ++i) {
        value |= static_cast<T>(static_cast<T>(bytes[offset + i]) << (8 * i));
    }
    return value;
}

template <class T>
void writeLe(std::span<std::byte> bytes, size_t offset, T value) {
    for (size_t i = 0; i < sizeof(T); ++i) {
        bytes[offset + i] = static_cast<std::byte>(static_cast<uint64_t>(value) >> (8 * i));
    }
}

// Appends fields to a growing buffer; offsets, not pointers, refer back into it.
class ByteWriter {
public:
    size_t size() const { return out.size(); }
    Bytes& bytes() { return out; }

    template <class T>
    size_t put(T value) {
        const size_t offset = reserve(sizeof(T));
        writeLe<T>(out, offset, value);
        return offset;
    }
    template <class T>
    void putAt(size_t offset, T value) {
        writeLe<T>(out, offset, value);
    }
    size_t putBytes(std::span<const std::byte> bytes) {
        const size_t offset = reserve(bytes.size());
        std::copy(bytes.begin(), bytes.end(), out.begin() + static_cast<std::ptrdiff_t>(offset));
        return offset;
    }
    // UTF-16 code units, without a terminator.
    void putText(std::u16string_view text) {
        for (const char16_t c : text) {
            put<uint16_t>(c);
        }
    }
    size_t reserve(size_t size) {
        const size_t offset = out.size();
        out.resize(offset + size);
        return offset;
    }
    void alignTo(size_t alignment) { out.resize((out.size() + alignment - 1) / alignment * alignment); }

private:
    Bytes out;
};

inline std::span<const std::byte> asBytes(std::string_view text) { return std::as_bytes(std::span(text)); }

} // namespace pack
