#include "payload/lznt1_decoder.h"

#include <algorithm>
#include <cstring>

namespace {

using namespace lznt1;

// Matches and literals are copied in fixed-size steps that may read and write a little past the token,
// into bytes that lie inside the buffers and are overwritten later: 16 bytes at a time when the source
// trails by at least that much, else 8.
constexpr size_t kWideStep = 16;
constexpr size_t kNarrowStep = 8;

// The fast loop of a compressed chunk (ChunkDecoder::FastGroups) checks its bounds once per token, so
// it runs only while these margins stay free:
// - a literal step copies 8 bytes whatever the count, so 8 input bytes stay readable past the token;
constexpr size_t kFastInputTail = kNarrowStep;
// - a whole flag group's tokens (eight match words at most) lie inside the chunk body;
constexpr size_t kGroupTokenBytes = kTokensPerGroup * kMatchWordSize;
// - a token writes at most 8 literal bytes, then up to 32 of a short match in two wide steps.
constexpr size_t kShortMatchLength = 2 * kWideStep;
constexpr size_t kFastOutputRoom = 48;
static_assert(kFastOutputRoom >= kNarrowStep + kShortMatchLength);

// Copies a back-reference of `length` bytes from `offset` bytes back. `slack` is how many bytes past
// the match may be scribbled on (they lie inside the output buffer and are overwritten later).
inline void CopyMatch(uint8_t* op, size_t offset, size_t length, size_t slack) {
    const uint8_t* from = op - offset;
    if (offset >= kWideStep && slack >= kWideStep) {
        // Each wide step reads bytes that are already final, since the source trails by a step or more.
        for (size_t done = 0; done < length; done += kWideStep)
            std::memcpy(op + done, from + done, kWideStep);
        return;
    }
    if (offset == 1) {
        std::memset(op, *from, length);
        return;
    }
    if (slack >= kNarrowStep) {
        // Widen a short period by doubling it until narrow steps are safe.
        while (offset < kNarrowStep) {
            const size_t step = std::min(offset, length);
            std::memcpy(op, from, step);
            op += step;
            length -= step;
            offset *= 2;
            from = op - offset;
            if (length == 0) return;
        }
        for (size_t done = 0; done < length; done += kNarrowStep)
            std::memcpy(op + done, from + done, kNarrowStep);
        return;
    }
    for (size_t i = 0; i < length; ++i) op[i] = from[i];
}

struct ChunkDecoder {
    const uint8_t* ip;    // next byte of the chunk body
    const uint8_t* ipEnd; // end of the chunk body
    const uint8_t* inEnd; // end of the whole input: reading up to here is safe
    uint8_t* chunkStart;  // where this chunk's output begins
    uint8_t* op;          // next output byte
    uint8_t* limit;       // end of what this chunk may produce: 4096 bytes or the capacity
    uint8_t* outEnd;      // end of the output buffer
    bool cutInMatch = false;

    // A token would cross `limit`. Past the chunk's 4096 bytes the stream is malformed, whatever the
    // capacity; otherwise the capacity is the bound and what fits is filled in.
    Lznt1Status Overflow(const uint8_t* from, size_t length, bool match) {
        if (static_cast<size_t>(op - chunkStart) + length > kChunk) return Lznt1Status::BadData;
        const size_t room = static_cast<size_t>(limit - op);
        for (size_t i = 0; i < room; ++i) op[i] = from[i];
        op += room;
        cutInMatch = match;
        return Lznt1Status::ShortOutput;
    }

    Lznt1Status CopyLiterals(size_t count) {
        if (count > static_cast<size_t>(limit - op)) return Overflow(ip, count, false);
        if (static_cast<size_t>(inEnd - ip) >= kNarrowStep && static_cast<size_t>(outEnd - op) >= kNarrowStep)
            std::memcpy(op, ip, kNarrowStep);
        else
            std::memcpy(op, ip, count);
        op += count;
        ip += count;
        return Lznt1Status::Ok;
    }

    Lznt1Status CopyBackReference() {
        if (ipEnd - ip < 2) return Lznt1Status::BadData;
        const uint16_t word = LoadLe16(ip);
        ip += 2;
        const size_t produced = static_cast<size_t>(op - chunkStart);
        const unsigned lengthBits = kLengthBits[std::min(produced, kChunk)];
        const size_t offset = (word >> lengthBits) + size_t{1};
        const size_t length = (word & ((1u << lengthBits) - 1)) + kMinMatch;
        if (offset > produced) return Lznt1Status::BadData;
        if (length > static_cast<size_t>(limit - op)) return Overflow(op - offset, length, true);
        CopyMatch(op, offset, length, static_cast<size_t>(outEnd - op) - length);
        op += length;
        return Lznt1Status::Ok;
    }

    // Processes the rest of a flag group, checking every bound.
    Lznt1Status CarefulGroup(unsigned flags) {
        while (true) {
            const size_t literals =
                std::min(static_cast<size_t>(__builtin_ctz(flags)), static_cast<size_t>(ipEnd - ip));
            if (literals != 0) {
                const Lznt1Status status = CopyLiterals(literals);
                if (status != Lznt1Status::Ok) return status;
                flags >>= literals;
            }
            if (flags == 1 || ip >= ipEnd) return Lznt1Status::Ok;
            const Lznt1Status status = CopyBackReference();
            if (status != Lznt1Status::Ok) return status;
            flags >>= 1;
        }
    }

    // Decodes whole flag groups while every token of the next group lies inside the chunk body and 8
    // more input bytes stay readable after it; output bounds are checked once per step with room to
    // spare. Works on local copies: stores through byte pointers could alias the members.
    Lznt1Status FastGroups() {
        const uint8_t* in = ip;
        uint8_t* out = op;
        const uint8_t* const start = chunkStart;
        const uint8_t* const end = limit;
        const size_t readable = static_cast<size_t>(inEnd - in);
        const size_t fastInput = readable < kFastInputTail
                                     ? 0
                                     : std::min(static_cast<size_t>(ipEnd - in), readable - kFastInputTail);
        const uint8_t* const fastEnd = in + (fastInput > kGroupTokenBytes ? fastInput - kGroupTokenBytes : 0);
        // The split of the match word changes only when the output passes a power of two.
        unsigned lengthBits = 12;
        size_t splitBound = 16;
        while (in < fastEnd) {
            unsigned flags = *in++ | 0x100u;
            while (true) {
                if (end - out < static_cast<ptrdiff_t>(kFastOutputRoom)) {
                    ip = in;
                    op = out;
                    return CarefulGroup(flags);
                }
                const unsigned literals = static_cast<unsigned>(__builtin_ctz(flags));
                std::memcpy(out, in, kNarrowStep);
                out += literals;
                in += literals;
                flags >>= literals;
                if (flags == 1) break;
                const uint16_t word = LoadLe16(in);
                in += 2;
                flags >>= 1;
                const size_t produced = static_cast<size_t>(out - start);
                if (produced > splitBound) {
                    lengthBits = kLengthBits[std::min(produced, kChunk)];
                    while (splitBound < produced) splitBound *= 2;
                }
                const size_t offset = (word >> lengthBits) + size_t{1};
                const size_t length = (word & ((1u << lengthBits) - 1)) + kMinMatch;
                if (offset > produced) {
                    ip = in;
                    op = out;
                    return Lznt1Status::BadData;
                }
                if (offset >= kWideStep && length <= kShortMatchLength) {
                    std::memcpy(out, out - offset, kWideStep);
                    std::memcpy(out + kWideStep, out + kWideStep - offset, kWideStep);
                    out += length;
                    continue;
                }
                if (length > static_cast<size_t>(end - out)) {
                    ip = in;
                    op = out;
                    return Overflow(out - offset, length, true);
                }
                CopyMatch(out, offset, length, static_cast<size_t>(outEnd - out) - length);
                out += length;
            }
        }
        ip = in;
        op = out;
        return Lznt1Status::Ok;
    }

    Lznt1Status Run() {
        const Lznt1Status status = FastGroups();
        if (status != Lznt1Status::Ok) return status;
        while (ip < ipEnd) {
            // Bit 8 marks the end of the group, so the trailing-zero count never runs past it.
            const Lznt1Status groupStatus = CarefulGroup(*ip++ | 0x100u);
            if (groupStatus != Lznt1Status::Ok) return groupStatus;
        }
        return Lznt1Status::Ok;
    }
};

// Zero bytes stand for the rest of a chunk that yielded fewer than 4096 bytes.
Lznt1Status PadShortChunk(uint8_t* out, uint8_t*& op, uint8_t* outEnd) {
    const size_t partial = static_cast<size_t>(op - out) % kChunk;
    if (partial == 0) return Lznt1Status::Ok;
    const size_t pad = kChunk - partial;
    const size_t room = static_cast<size_t>(outEnd - op);
    std::memset(op, 0, std::min(pad, room));
    op += std::min(pad, room);
    return pad > room ? Lznt1Status::ShortOutput : Lznt1Status::Ok;
}
} // namespace

Lznt1Result Lznt1DecodeBuffer(const uint8_t* in, size_t inSize, uint8_t* out, size_t outCapacity) {
    const uint8_t* ip = in;
    const uint8_t* const inEnd = in + inSize;
    uint8_t* op = out;
    uint8_t* const outEnd = out + outCapacity;
    const auto result = [&](Lznt1Status status, bool cutInMatch = false) {
        return Lznt1Result{status, static_cast<size_t>(op - out), cutInMatch};
    };
    while (ip != inEnd) {
        // One byte after a chunk ends the stream, as it does for the platform's decoder.
        if (static_cast<size_t>(inEnd - ip) < kLznt1ChunkHeaderSize)
            return result(ip == in ? Lznt1Status::BadData : Lznt1Status::Ok);
        const uint16_t header = LoadLe16(ip);
        ip += kLznt1ChunkHeaderSize;
        if (header == 0) break;
        const size_t bodySize = BodySize(header);
        if (static_cast<size_t>(inEnd - ip) < bodySize) return result(Lznt1Status::BadData);
        if (PadShortChunk(out, op, outEnd) != Lznt1Status::Ok) return result(Lznt1Status::ShortOutput);
        const size_t room = static_cast<size_t>(outEnd - op);
        if ((header & kCompressedChunk) != 0) {
            ChunkDecoder chunk{ip, ip + bodySize, inEnd, op, op, op + std::min(room, kChunk), outEnd};
            const Lznt1Status status = chunk.Run();
            op = chunk.op;
            if (status != Lznt1Status::Ok) return result(status, chunk.cutInMatch);
        } else {
            if (bodySize > room) {
                if (room != 0) std::memcpy(op, ip, room);
                op += room;
                return result(Lznt1Status::ShortOutput);
            }
            std::memcpy(op, ip, bodySize);
            op += bodySize;
        }
        ip += bodySize;
    }
    return result(Lznt1Status::Ok);
}

Lznt1Chunk Lznt1ChunkAt(const uint8_t* in, size_t inSize, size_t offset) {
    if (offset > inSize || inSize - offset < kLznt1ChunkHeaderSize) return {0, false};
    const uint16_t header = LoadLe16(in + offset);
    const size_t size = kLznt1ChunkHeaderSize + BodySize(header);
    if (header == 0 || size > inSize - offset) return {0, false};
    return {size, (header & kCompressedChunk) != 0};
}

uint64_t Lznt1OutputEndingStored(const uint8_t* in, size_t inSize) {
    uint64_t chunks = 0;
    Lznt1Chunk last{0, true};
    for (size_t at = 0; at < inSize; at += last.size, ++chunks) {
        last = Lznt1ChunkAt(in, inSize, at);
        if (last.size == 0) return 0;
    }
    const size_t body = last.size - kLznt1ChunkHeaderSize;
    if (last.compressed || body >= kLznt1ChunkSize) return 0;
    return (chunks - 1) * kLznt1ChunkSize + body;
}
