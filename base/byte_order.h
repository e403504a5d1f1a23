// Little-endian fields, the byte order of every format the project reads and writes (LZNT1 chunks, the
// payload trailer, PE images): loads and stores through byte pointers for the codec's loops, and reads
// and writes at an offset of bytes held in a string. None of them checks bounds: the caller has made
// sure that the field lies inside the bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// The 16-bit field at `p`.
inline uint16_t LoadLe16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

// Writes `value` at `p`.
inline void StoreLe16(uint8_t* p, uint16_t value) {
    p[0] = static_cast<uint8_t>(value);
    p[1] = static_cast<uint8_t>(value >> 8);
}

// The 16-, 32- and 64-bit fields at `offset` of `bytes`.
inline uint16_t GetLe16(std::string_view bytes, size_t offset) {
    return LoadLe16(reinterpret_cast<const uint8_t*>(bytes.data() + offset));
}
inline uint32_t GetLe32(std::string_view bytes, size_t offset) {
    return GetLe16(bytes, offset) | static_cast<uint32_t>(GetLe16(bytes, offset + 2)) << 16;
}
inline uint64_t GetLe64(std::string_view bytes, size_t offset) {
    return GetLe32(bytes, offset) | static_cast<uint64_t>(GetLe32(bytes, offset + 4)) << 32;
}

// Write the low 16, 32 or 64 bits of `value` at `offset` of `bytes`.
inline void PutLe16(std::string& bytes, size_t offset, uint64_t value) {
    StoreLe16(reinterpret_cast<uint8_t*>(bytes.data() + offset), static_cast<uint16_t>(value));
}
inline void PutLe32(std::string& bytes, size_t offset, uint64_t value) {
    PutLe16(bytes, offset, value & 0xFFFF);
    PutLe16(bytes, offset + 2, (value >> 16) & 0xFFFF);
}
inline void PutLe64(std::string& bytes, size_t offset, uint64_t value) {
    PutLe32(bytes, offset, value & 0xFFFF'FFFFu);
    PutLe32(bytes, offset + 4, value >> 32);
}
