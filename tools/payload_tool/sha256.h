// SHA-256 (FIPS 180-4) of bytes held in memory, for the release's SHA256SUMS. Portable, no platform
// API, so payload-tool and payload-tool.exe print the same sums that `sha256sum` and `certutil` do.
#pragma once

#include <string>
#include <string_view>

// The SHA-256 digest of `bytes` as 64 lower-case hexadecimal digits, as `sha256sum` prints it.
std::string Sha256Hex(std::string_view bytes);
