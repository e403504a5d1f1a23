// The checksum that payload records carry: CRC-32 as the zip format and zlib compute it.
#pragma once

#include <cstdint>
#include <string_view>

// Reflected polynomial 0xEDB88320, register started at all ones and inverted at the end.
// CRC-32("123456789") is 0xCBF43926; no bytes give 0.
uint32_t Crc32(std::string_view bytes);
