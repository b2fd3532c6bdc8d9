// Little-endian fields of a WAVE file, loaded and stored byte by byte so that the result is the
// same on every host whatever its own byte order or alignment rules.
#pragma once

#include <cstddef>
#include <cstdint>

namespace auralith {

// The 16-bit unsigned value whose low byte is at `at` and high byte at `at + 1`.
inline std::uint16_t loadLittle16(const std::uint8_t* bytes, std::size_t at) {
    return static_cast<std::uint16_t>(bytes[at] | (bytes[at + 1] << 8));
}

// The 32-bit unsigned value stored low byte first at `at` .. `at + 3`.
inline std::uint32_t loadLittle32(const std::uint8_t* bytes, std::size_t at) {
    return std::uint32_t{bytes[at]} | (std::uint32_t{bytes[at + 1]} << 8) | (std::uint32_t{bytes[at + 2]} << 16) |
           (std::uint32_t{bytes[at + 3]} << 24);
}

// Two's complement readings of the same fields (well defined since C++20).
inline std::int16_t loadLittleSigned16(const std::uint8_t* bytes, std::size_t at) {
    return static_cast<std::int16_t>(loadLittle16(bytes, at));
}

inline std::int32_t loadLittleSigned32(const std::uint8_t* bytes, std::size_t at) {
    return static_cast<std::int32_t>(loadLittle32(bytes, at));
}

inline void storeLittle16(std::uint8_t* bytes, std::size_t at, std::uint16_t value) {
    bytes[at] = static_cast<std::uint8_t>(value);
    bytes[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

inline void storeLittle32(std::uint8_t* bytes, std::size_t at, std::uint32_t value) {
    bytes[at] = static_cast<std::uint8_t>(value);
    bytes[at + 1] = static_cast<std::uint8_t>(value >> 8);
    bytes[at + 2] = static_cast<std::uint8_t>(value >> 16);
    bytes[at + 3] = static_cast<std::uint8_t>(value >> 24);
}

// A four-letter tag such as "RIFF", stored as its ASCII bytes with no terminator.
inline void storeTag(std::uint8_t* bytes, std::size_t at, const char (&tag)[5]) {
    for (std::size_t i = 0; i < 4; ++i) bytes[at + i] = static_cast<std::uint8_t>(tag[i]);
}

}  // namespace auralith
