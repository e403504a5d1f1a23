// Portable LZNT1 encoder and decoder (the format of [MS-XCA]), used where the platform's compression
// service is not available and as an independent peer of it in tests.
//
// A stream is a sequence of chunks. Each chunk starts with a 16-bit little-endian header: bits 0-11
// hold the size of the chunk's body minus one, bits 12-14 a signature (3), bit 15 tells whether the
// body is compressed. A zero header, or the end of the input, ends the stream. Every chunk stands for
// at most 4096 bytes of data; the back-references of a compressed chunk never reach before its start.
//
// Lznt1DecodeBuffer(in, inSize, out, outCapacity)
//   Ok          the whole stream was decoded; `size` bytes were written.
//   ShortOutput the stream holds more than outCapacity bytes; `size` is the number of bytes that fit
//               (all of them written), the rest of the stream is not examined.
//   BadData     the stream is malformed: a chunk body runs past the input, a back-reference reaches
//               before its chunk, a compressed chunk yields more than 4096 bytes, a token or header is
//               cut off. `size` counts the bytes written before the fault was seen.
//   The signature bits are not checked (the platform's decoder ignores them too). A chunk that yields
//   fewer than 4096 bytes and is followed by another chunk is padded with zero bytes to 4096, as the
//   platform's decoder does. Never reads or writes outside the given buffers, whatever the input.
//
// Lznt1EncodeBuffer(in, inSize, out, outCapacity, parse)
//   Ok          `size` bytes of stream were written (0 for empty input); no terminating zero header.
//   ShortOutput the stream does not fit into outCapacity; `size` is 0 and the content of `out` is
//               unspecified. Lznt1EncodeBound(inSize) is always enough.
//   Chunks hold 4096 input bytes except the last. A chunk that does not shrink is stored with exactly
//   its bytes. A flag byte is written only when a token follows it.
//   Parse Greedy takes the longest match at every position (the platform's maximum engine); Optimal
//   chooses, within each chunk, the tokens with the fewest bits (9 for a literal, 17 for a match).
//
// Lznt1ChunkAt(in, inSize, offset)
//   The chunk that starts at in[offset]: its size, header included, and whether its body is
//   compressed. Size 0 when no chunk starts there: at a zero header, with fewer than two bytes left,
//   or when the body runs past the input. For callers that rework a stream chunk by chunk.
// Lznt1WriteStoredChunk(data, dataSize, out)
//   Writes data[0..dataSize) (1 to kLznt1ChunkSize bytes) as one stored chunk at `out`, which has
//   room for Lznt1StoredChunkSize(dataSize) bytes; returns that size.
//
// No function keeps state or allocates memory (the encoder works in about 180 KB of stack); all are
// safe to call from several threads.
#pragma once

#include <cstddef>
#include <cstdint>

enum class Lznt1Status { Ok, BadData, ShortOutput };

enum class Lznt1Parse { Greedy, Optimal };

struct Lznt1Result {
    Lznt1Status status;
    size_t size;
};

struct Lznt1Chunk {
    size_t size; // header and body; 0: no chunk
    bool compressed;
};

inline constexpr size_t kLznt1ChunkSize = 4096;
inline constexpr size_t kLznt1ChunkHeaderSize = 2;

Lznt1Result Lznt1DecodeBuffer(const uint8_t* in, size_t inSize, uint8_t* out, size_t outCapacity);

Lznt1Result Lznt1EncodeBuffer(const uint8_t* in, size_t inSize, uint8_t* out, size_t outCapacity,
                              Lznt1Parse parse);

Lznt1Chunk Lznt1ChunkAt(const uint8_t* in, size_t inSize, size_t offset);

size_t Lznt1WriteStoredChunk(const uint8_t* data, size_t dataSize, uint8_t* out);

constexpr size_t Lznt1StoredChunkSize(size_t dataSize) { return kLznt1ChunkHeaderSize + dataSize; }

// Largest stream Lznt1EncodeBuffer writes for inSize bytes: every chunk stored, plus its header.
constexpr size_t Lznt1EncodeBound(size_t inSize) {
    return inSize + kLznt1ChunkHeaderSize * ((inSize + kLznt1ChunkSize - 1) / kLznt1ChunkSize);
}
