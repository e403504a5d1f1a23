// Portable LZNT1 encoder (payload/lznt1_format.h): the engine of the host's compression service,
// which packs the launcher's tools, and a peer of the platform's decoder in tests. Keeps no state and
// allocates nothing (it works in about 180 KB of stack); safe to call from several threads.
#pragma once

#include "payload/lznt1_format.h"

// Encodes in[0..inSize) as an LZNT1 stream into out[0..outCapacity):
// Ok          `size` bytes of stream were written (0 for empty input); no terminating zero header.
// ShortOutput the stream does not fit into outCapacity; `size` is 0 and the content of `out` is
//             unspecified. Lznt1EncodeBound(inSize) is always enough.
// Chunks hold 4096 input bytes except the last. A chunk of 4096 bytes that does not shrink is stored
// with exactly its bytes; the shorter last chunk is stored only when its tokens do not fit a chunk
// (more than 3640 bytes that hardly compress), since Vista's decoder refuses a short stored chunk.
// A flag byte is written only when a token follows it.
// Parse Greedy takes the longest match at every position (the platform's maximum engine); Optimal
// chooses, within each chunk, the tokens with the fewest bits (9 for a literal, 17 for a match).
Lznt1Result Lznt1EncodeBuffer(const uint8_t* in, size_t inSize, uint8_t* out, size_t outCapacity,
                              Lznt1Parse parse);

// The size of the chunk Lznt1WritePlainChunk writes for dataSize bytes: stored for 4096, else one
// literal each and a flag byte per eight; 0 when those do not fit a chunk (more than 3640 bytes).
constexpr size_t Lznt1PlainChunkSize(size_t dataSize) {
    const size_t body = dataSize == kLznt1ChunkSize ? dataSize : dataSize + (dataSize + 7) / 8;
    return body > kLznt1ChunkSize ? 0 : kLznt1ChunkHeaderSize + body;
}

// Writes data[0..dataSize) (1 to kLznt1ChunkSize bytes) as one chunk without back-references at `out`,
// which has room for Lznt1PlainChunkSize(dataSize) bytes, in a form every decoder reads: stored when it
// holds 4096 bytes, else as literals (Vista refuses a shorter stored chunk). Returns that size; writes
// nothing and returns 0 when it is 0.
size_t Lznt1WritePlainChunk(const uint8_t* data, size_t dataSize, uint8_t* out);
