#include "payload/crc32.h"

#include <array>

namespace {

constexpr uint32_t kReflectedPolynomial = 0xEDB88320u;

// The remainder of every byte value, so that the loop takes a byte per step instead of a bit.
constexpr std::array<uint32_t, 256> MakeByteTable() {
    std::array<uint32_t, 256> table{};
    for (uint32_t value = 0; value < 256; ++value) {
        uint32_t remainder = value;
        for (int bit = 0; bit < 8; ++bit)
            remainder = (remainder >> 1) ^ ((remainder & 1u) ? kReflectedPolynomial : 0u);
        table[value] = remainder;
    }
    return table;
}
constexpr std::array<uint32_t, 256> kByteTable = MakeByteTable();

} // namespace

uint32_t Crc32(std::string_view bytes) {
    uint32_t state = 0xFFFFFFFFu;
    for (const char c : bytes) state = (state >> 8) ^ kByteTable[(state ^ static_cast<uint8_t>(c)) & 0xFFu];
    return ~state;
}
