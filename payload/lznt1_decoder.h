// Portable LZNT1 decoder (payload/lznt1_format.h), used where the platform's compression service is
// not available and as an independent peer of it in tests. Keeps no state, allocates nothing, safe to
// call from several threads.
#pragma once

#include "payload/lznt1_format.h"

// Decodes the stream in[0..inSize) into out[0..outCapacity):
// Ok          the whole stream was decoded; `size` bytes were written.
// ShortOutput the stream holds more than outCapacity bytes; `size` is the number of bytes that fit
//             (all of them written), the rest of the stream is not examined; `cutInMatch` tells
//             whether the capacity ended inside a back-reference.
// BadData     the stream is malformed: a chunk body runs past the input, a back-reference reaches
//             before its chunk, a compressed chunk yields more than 4096 bytes, a token or header is
//             cut off. `size` counts the bytes written before the fault was seen.
// As for the platform's decoder: a zero header ends the stream, and so does a single byte after a chunk
// (a stream of one byte is malformed); the signature bits are not checked; a chunk that yields fewer
// than 4096 bytes and is followed by another chunk is padded with zero bytes to 4096. Never reads or
// writes outside the given buffers, whatever the input.
Lznt1Result Lznt1DecodeBuffer(const uint8_t* in, size_t inSize, uint8_t* out, size_t outCapacity);

// The bytes that the stream in[0..inSize) yields when it ends in a stored chunk of fewer than 4096 bytes
// (every chunk before it yields 4096, a shorter one padded with zeros); 0 for any other stream, and for
// one that does not walk chunk by chunk to its end.
uint64_t Lznt1OutputEndingStored(const uint8_t* in, size_t inSize);

// The chunk that starts at in[offset]: its size, header included, and whether its body is compressed.
// Size 0 when no chunk starts there: at a zero header, with fewer than two bytes left, or when the body
// runs past the input. For callers that rework a stream chunk by chunk.
Lznt1Chunk Lznt1ChunkAt(const uint8_t* in, size_t inSize, size_t offset);
