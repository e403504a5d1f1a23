// Whole-buffer LZNT1 compression and decompression around the compression service.
//
// Byte strings are std::string (length-counted, may hold NUL bytes). Both calls honour the capacity
// of `target`, never read or write outside the buffers, and return the number of bytes that `target`
// holds afterwards (0 when nothing was produced).
#pragma once

#include <cstdint>
#include <string>

// Decodes `source`. An empty `target` gets the capacity 12.5 x source length (an exact half rounds to
// even); otherwise its length is the capacity and its content is overwritten. On return `target` holds
// exactly the decoded bytes. A stream that the service reports as malformed counts as producing 0 bytes,
// so a valid prefix followed by garbage is never taken for a whole stream.
int32_t Lznt1Decompress(std::string source, std::string& target);

// Encodes `source` with the maximum engine. An empty `target` gets the capacity of the source length,
// which input that does not shrink cannot fit: the result is then 0. Pass a larger target for such input.
int32_t Lznt1Compress(std::string source, std::string& target);

// Capacity that Lznt1Decompress gives an empty target: round-half-even of 12.5 x sourceSize.
size_t Lznt1DefaultDecompressCapacity(size_t sourceSize);
