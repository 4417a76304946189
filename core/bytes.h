#pragma once
// Big-endian integers in byte buffers: every multi-byte integer in the data files
// and on the card is stored most significant byte first.
#include <cstddef>
#include <cstdint>

namespace kelp {

// Reads an unsigned integer of `width` (1..4) bytes at `offset`.
inline std::uint32_t ReadBE(const std::uint8_t* buffer, std::size_t offset, int width) {
    std::uint32_t value = 0;
    for (int i = 0; i < width; ++i) value = (value << 8) | buffer[offset + static_cast<std::size_t>(i)];
    return value;
}

// Writes the low `width` (1..4) bytes of `value` at `offset`.
inline void WriteBE(std::uint8_t* buffer, std::size_t offset, int width, std::uint32_t value) {
    for (int i = width - 1; i >= 0; --i) {
        buffer[offset + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value & 0xFF);
        value >>= 8;
    }
}

inline std::uint32_t ReadBE24(const std::uint8_t* p) {
    return (std::uint32_t{p[0]} << 16) | (p[1] << 8) | p[2];
}
inline std::int32_t ReadBE32Signed(const std::uint8_t* buffer, std::size_t offset) {
    return static_cast<std::int32_t>(ReadBE(buffer, offset, 4));
}

// Little-endian 64-bit values, used only by map files.
inline std::int64_t ReadLE64(const std::uint8_t* p) {
    std::uint64_t v = 0;
    for (int i = 7; i >= 0; --i) v = (v << 8) | p[i];
    return static_cast<std::int64_t>(v);
}
inline void WriteLE64(std::uint8_t* p, std::int64_t value) {
    auto v = static_cast<std::uint64_t>(value);
    for (int i = 0; i < 8; ++i) {
        p[i] = static_cast<std::uint8_t>(v & 0xFF);
        v >>= 8;
    }
}

} // namespace kelp
