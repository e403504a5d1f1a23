// What the PE resource reader and writer share: the sizes of the format's records, and little-endian
// fields of an image held in a string (bounds tests that cannot overflow, reads and writes of 16- and
// 32-bit values; callers test with Fits before they read or write).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// RT_RCDATA: the resource type that carries the payloads.
inline constexpr uint32_t kRtRcData = 10;
inline constexpr size_t kCoffHeaderSize = 20;
inline constexpr size_t kSectionHeaderSize = 40;
inline constexpr size_t kResourceDirectory = 2; // index in the optional header's data directories
// Resource directory tables: a header, then 8-byte entries whose high bits mark a name or a subtable.
inline constexpr size_t kDirectoryHeaderSize = 16;
inline constexpr size_t kDirectoryEntrySize = 8;
inline constexpr size_t kDataEntrySize = 16;
inline constexpr uint32_t kHighBit = 0x8000'0000u;

// True when `length` bytes from `offset` lie inside `bytes`; cannot overflow.
inline bool Fits(std::string_view bytes, uint64_t offset, uint64_t length) {
    return offset <= bytes.size() && length <= bytes.size() - offset;
}

// The little-endian 16-bit field at `offset`; the caller has tested it with Fits.
inline uint16_t Get16(std::string_view bytes, size_t offset) {
    return static_cast<uint16_t>(static_cast<uint8_t>(bytes[offset]) | static_cast<uint8_t>(bytes[offset + 1])
                                                                           << 8);
}

// The little-endian 32-bit field at `offset`; the caller has tested it with Fits.
inline uint32_t Get32(std::string_view bytes, size_t offset) {
    return Get16(bytes, offset) | static_cast<uint32_t>(Get16(bytes, offset + 2)) << 16;
}

// Writes the low 16 bits of `value` little-endian at `offset`; the caller has tested it with Fits.
inline void Put16(std::string& bytes, size_t offset, uint32_t value) {
    bytes[offset] = static_cast<char>(value & 0xFF);
    bytes[offset + 1] = static_cast<char>((value >> 8) & 0xFF);
}

// Writes `value` little-endian at `offset`; the caller has tested it with Fits.
inline void Put32(std::string& bytes, size_t offset, uint32_t value) {
    Put16(bytes, offset, value & 0xFFFF);
    Put16(bytes, offset + 2, value >> 16);
}
