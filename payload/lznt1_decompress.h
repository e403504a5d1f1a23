// Whole-buffer LZNT1 decompression around the compression service (payload/compression_service.h).
// Compression is payload/lznt1_compress.h, apart, so that the launcher, which only reads, never
// carries it.
//
// Byte strings are std::string (length-counted, may hold NUL bytes). The call honours the capacity
// of `target`, never reads or writes outside the buffers, and returns the number of bytes that
// `target` holds afterwards (0 when nothing was produced).
#pragma once

#include <cstdint>
#include <string>

// Decodes `source`. An empty `target` gets the capacity 12.5 x source length (an exact half rounds to
// even); otherwise its length is the capacity and its content is overwritten. On return `target` holds
// exactly the decoded bytes. A stream that the service reports as malformed counts as producing 0 bytes,
// so a valid prefix followed by garbage is never taken for a whole stream.
int32_t Lznt1Decompress(std::string source, std::string& target);

// Capacity that Lznt1Decompress gives an empty target: round-half-even of 12.5 x sourceSize.
size_t Lznt1DefaultDecompressCapacity(size_t sourceSize);

// How the wrappers hand back what the service produced: `target` keeps its first `finalSize` bytes (all
// of them when it holds fewer) and the number it keeps is returned.
int32_t Lznt1KeepProduced(std::string& target, uint32_t finalSize);
