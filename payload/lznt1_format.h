// The LZNT1 format (that of [MS-XCA]) as both directions see it: the result types, the chunk and its
// header, the split of a back-reference's word. payload/lznt1_decoder.h and payload/lznt1_encoder.h
// build on it; nothing here keeps state.
//
// A stream is a sequence of chunks. Each chunk starts with a 16-bit little-endian header: bits 0-11
// hold the size of the chunk's body minus one, bits 12-14 a signature (3), bit 15 tells whether the
// body is compressed. A zero header, or the end of the input, ends the stream. Every chunk stands for
// at most 4096 bytes of data; the back-references of a compressed chunk never reach before its start.
// A compressed body is a sequence of flag groups: a flag byte, then up to eight tokens, bit i of the
// flags telling whether token i is a literal byte (0) or a back-reference word (1).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "base/byte_order.h"

enum class Lznt1Status { Ok, BadData, ShortOutput };

enum class Lznt1Parse { Greedy, Optimal };

struct Lznt1Result {
    Lznt1Status status;
    size_t size;
    bool cutInMatch = false; // ShortOutput of a decoder: the capacity ended inside a back-reference
};

struct Lznt1Chunk {
    size_t size; // header and body; 0: no chunk
    bool compressed;
};

inline constexpr size_t kLznt1ChunkSize = 4096;
inline constexpr size_t kLznt1ChunkHeaderSize = 2;

// Largest stream Lznt1EncodeBuffer writes for inSize bytes: every chunk stored, plus its header, and a
// short last chunk in its tokens, up to one flag byte per eight bytes more (while that fits a chunk).
constexpr size_t Lznt1EncodeBound(size_t inSize) {
    const size_t tail = inSize % kLznt1ChunkSize;
    const size_t tailFlags = tail == 0 ? 0 : (tail + 7) / 8;
    const size_t tailExtra = tail + tailFlags > kLznt1ChunkSize ? kLznt1ChunkSize - tail : tailFlags;
    return inSize + kLznt1ChunkHeaderSize * ((inSize + kLznt1ChunkSize - 1) / kLznt1ChunkSize) + tailExtra;
}

// What only the decoder and the encoder share.
namespace lznt1 {

inline constexpr size_t kChunk = kLznt1ChunkSize;
inline constexpr uint16_t kCompressedChunk = 0x8000;
inline constexpr uint16_t kSignature = 0x3000;
inline constexpr size_t kMinMatch = 3;
inline constexpr uint16_t kBodySizeBits = 0x0FFF;
inline constexpr unsigned kTokensPerGroup = 8;
inline constexpr size_t kMatchWordSize = 2;

// A match word holds the offset in its high bits and the length in its low bits; the split moves
// towards the offset as the chunk fills, so that every earlier byte of the chunk stays reachable.
// Indexed by the number of bytes the chunk has produced before the match.
constexpr std::array<uint8_t, kChunk + 1> MakeLengthBits() {
    std::array<uint8_t, kChunk + 1> bits{};
    bits[0] = 12;
    for (size_t produced = 1; produced <= kChunk; ++produced) {
        unsigned offsetBits = 4;
        for (size_t rest = produced - 1; rest >= 16; rest >>= 1) ++offsetBits;
        bits[produced] = static_cast<uint8_t>(16 - offsetBits);
    }
    return bits;
}
inline constexpr std::array<uint8_t, kChunk + 1> kLengthBits = MakeLengthBits();

constexpr size_t MaxMatchLength(size_t produced) { return (size_t{1} << kLengthBits[produced]) + 2; }

// A header holds the body size minus one; the signature bits are written but never checked.
inline size_t BodySize(uint16_t header) { return (header & kBodySizeBits) + size_t{1}; }

inline uint16_t ChunkHeader(size_t bodySize, bool compressed) {
    return static_cast<uint16_t>((compressed ? kCompressedChunk : 0) | kSignature | (bodySize - 1));
}

} // namespace lznt1
