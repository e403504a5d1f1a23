// Portable LZNT1 encoder (payload/lznt1_format.h): the engine of the host's compression service,
// which packs the launcher's tools, and a peer of the platform's decoder in tests. Keeps no state and
// allocates nothing (it works in about 180 KB of stack); safe to call from several threads.
#pragma once

#include "payload/lznt1_format.h"

// Encodes in[0..inSize) as an LZNT1 stream into out[0..outCapacity):
// Ok          `size` bytes of stream were written (0 for empty input); no terminating zero header.
// ShortOutput the stream does not fit into outCapacity; `size` is 0 and the content of `out` is
//             unspecified. Lznt1EncodeBound(inSize) is always enough.
// Chunks hold 4096 input bytes except the last. A chunk that does not shrink is stored with exactly
// its bytes. A flag byte is written only when a token follows it.
// Parse Greedy takes the longest match at every position (the platform's maximum engine); Optimal
// chooses, within each chunk, the tokens with the fewest bits (9 for a literal, 17 for a match).
Lznt1Result Lznt1EncodeBuffer(const uint8_t* in, size_t inSize, uint8_t* out, size_t outCapacity,
                              Lznt1Parse parse);

// Writes data[0..dataSize) (1 to kLznt1ChunkSize bytes) as one stored chunk at `out`, which has room
// for Lznt1StoredChunkSize(dataSize) bytes; returns that size.
size_t Lznt1WriteStoredChunk(const uint8_t* data, size_t dataSize, uint8_t* out);
