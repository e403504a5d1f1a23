// The packer's side of the payload format (payload/payload_format.h): payload-tool and the tests that
// make payloads link it; the launcher, which only reads, does not.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "payload/payload_format.h"

// The Compressed payload of `fileBytes`: the LZNT1 stream, then the trailer of `record` with the file's
// CRC-32 and the marker in its reserved fields (whatever `record` held there). The stream holds only
// chunks every listed Windows reads: a short last chunk is written in tokens, since Vista's decoder
// refuses a stored chunk shorter than 4096 bytes, unless they do not fit a chunk (3641 to 4095 bytes
// that hardly compress); then it stays stored, and the reader decodes the stream into a buffer that
// ends with it, which Vista reads (DecodeCompressedBody). Chunks of a file so repetitive that its
// stream would decode beyond the reader's 12.5-fold capacity are written without back-references,
// first to last, until it does not. Empty when the record's size fields disagree with `fileBytes`, when
// the file is empty (an empty stream would leave a 322-byte resource, which reads as no payload), or
// when the result would still not read back exactly.
std::string MakeCompressedPayload(std::string_view fileBytes, const FindDataRecord& record);

// A FILETIME counts 100 ns steps since 1601-01-01 00:00 UTC, in 64 unsigned bits.
inline constexpr uint64_t kFileTimeTicksPerSecond = 10'000'000;
inline constexpr int64_t kSecondsFrom1601To1970 = 11'644'473'600;

// The FILETIME of a POSIX time, `seconds` since 1970 (negative before) and `nanoseconds` (0 to
// 999,999,999) into that second, cut to whole 100 ns steps: every time a FILETIME holds, exactly.
// nullopt before 1601 and after the last one (in the year 60056).
std::optional<uint64_t> FileTimeFromPosixTime(int64_t seconds, uint32_t nanoseconds);
