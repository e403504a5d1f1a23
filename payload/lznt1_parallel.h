// LZNT1 encoding on several threads, the packer's engine (payload/lznt1_compress.h) on every platform:
// chunks are independent, so shares of them can be encoded at once and their streams joined.
#pragma once

#include <cstddef>
#include <cstdint>

#include "payload/lznt1_encoder.h"

inline constexpr size_t kLznt1ChunksPerBlock = 8;

// Returns exactly what Lznt1EncodeBuffer returns for the same arguments, byte for byte.
// The input is cut into blocks of kLznt1ChunksPerBlock chunks that up to `threads` threads
// (0: one per processor) take one at a time; an input of one block stays on the calling thread.
// Allocates a scratch area of about inSize bytes; without memory it encodes on the calling thread,
// and when a thread cannot be started the others share its blocks.
Lznt1Result Lznt1EncodeParallel(const uint8_t* in, size_t inSize, uint8_t* out, size_t outCapacity,
                                Lznt1Parse parse, unsigned threads);
