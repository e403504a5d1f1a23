#include "payload/lznt1_codec.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace {

constexpr size_t kChunk = kLznt1ChunkSize;
constexpr uint16_t kCompressedChunk = 0x8000;
constexpr uint16_t kSignature = 0x3000;
constexpr size_t kMinMatch = 3;

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
constexpr std::array<uint8_t, kChunk + 1> kLengthBits = MakeLengthBits();

constexpr size_t MaxMatchLength(size_t produced) { return (size_t{1} << kLengthBits[produced]) + 2; }

uint16_t LoadLe16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

void StoreLe16(uint8_t* p, uint16_t value) {
    p[0] = static_cast<uint8_t>(value);
    p[1] = static_cast<uint8_t>(value >> 8);
}

uint64_t Load64(const uint8_t* p) {
    uint64_t value;
    std::memcpy(&value, p, sizeof value);
    return value;
}

// ---------------------------------------------------------------------------------------------
// Decoder

// Copies a back-reference of `length` bytes from `offset` bytes back. `slack` is how many bytes past
// the match may be scribbled on (they lie inside the output buffer and are overwritten later).
inline void CopyMatch(uint8_t* op, size_t offset, size_t length, size_t slack) {
    const uint8_t* from = op - offset;
    if (offset >= 16 && slack >= 16) {
        // Each 16-byte step reads bytes that are already final, since the source trails by >= 16.
        for (size_t done = 0; done < length; done += 16) std::memcpy(op + done, from + done, 16);
        return;
    }
    if (offset == 1) {
        std::memset(op, *from, length);
        return;
    }
    if (slack >= 8) {
        // Widen a short period by doubling it until 8-byte steps are safe.
        while (offset < 8) {
            const size_t step = std::min(offset, length);
            std::memcpy(op, from, step);
            op += step;
            length -= step;
            offset *= 2;
            from = op - offset;
            if (length == 0) return;
        }
        for (size_t done = 0; done < length; done += 8) std::memcpy(op + done, from + done, 8);
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

    // A token would cross `limit`. Past the chunk's 4096 bytes the stream is malformed, whatever the
    // capacity; otherwise the capacity is the bound and what fits is filled in.
    Lznt1Status Overflow(const uint8_t* from, size_t length) {
        if (static_cast<size_t>(op - chunkStart) + length > kChunk) return Lznt1Status::BadData;
        const size_t room = static_cast<size_t>(limit - op);
        for (size_t i = 0; i < room; ++i) op[i] = from[i];
        op += room;
        return Lznt1Status::ShortOutput;
    }

    Lznt1Status CopyLiterals(size_t count) {
        if (count > static_cast<size_t>(limit - op)) return Overflow(ip, count);
        if (inEnd - ip >= 8 && outEnd - op >= 8)
            std::memcpy(op, ip, 8);
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
        if (length > static_cast<size_t>(limit - op)) return Overflow(op - offset, length);
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
        const size_t fastInput = readable < 8 ? 0 : std::min(static_cast<size_t>(ipEnd - in), readable - 8);
        const uint8_t* const fastEnd = in + (fastInput >= 17 ? fastInput - 16 : 0);
        // The split of the match word changes only when the output passes a power of two.
        unsigned lengthBits = 12;
        size_t splitBound = 16;
        while (in < fastEnd) {
            unsigned flags = *in++ | 0x100u;
            while (true) {
                if (end - out < 48) {
                    ip = in;
                    op = out;
                    return CarefulGroup(flags);
                }
                const unsigned literals = static_cast<unsigned>(__builtin_ctz(flags));
                std::memcpy(out, in, 8);
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
                if (offset >= 16 && length <= 32) {
                    std::memcpy(out, out - offset, 16);
                    std::memcpy(out + 16, out + 16 - offset, 16);
                    out += length;
                    continue;
                }
                if (length > static_cast<size_t>(end - out)) {
                    ip = in;
                    op = out;
                    return Overflow(out - offset, length);
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

// ---------------------------------------------------------------------------------------------
// Encoder

constexpr uint16_t kNil = 0xFFFF;
constexpr unsigned kHashBits = 14;
constexpr unsigned kMaxTreeDepth = 256; // bounds the work on pathological input
constexpr uint16_t kLiteralBits = 9;    // 8 data bits and one flag bit
constexpr uint16_t kMatchBits = 17;     // 16 data bits and one flag bit
constexpr size_t kCostBlock = 16;
constexpr size_t kMaxBody = kChunk + kChunk / 8;

struct EncoderWorkspace {
    std::array<uint16_t, size_t{1} << kHashBits> head;
    // Binary search trees of earlier positions ordered by their suffixes: [0] before, [1] after.
    std::array<std::array<uint16_t, 2>, kChunk> child;
    std::array<uint16_t, kChunk> matchLength; // longest usable match at each position (0: none)
    std::array<uint16_t, kChunk> matchOffset;
    std::array<uint16_t, kChunk + 1> cost; // fewest bits for the rest of the chunk
    std::array<uint16_t, kChunk / kCostBlock + 1> blockCost;
    std::array<uint16_t, kChunk> step; // token length chosen at each position (1: literal)
    std::array<uint8_t, kMaxBody> body;
};

uint32_t Hash3(const uint8_t* p) {
    const uint32_t bytes = p[0] | p[1] << 8 | p[2] << 16;
    return (bytes * 2654435761u) >> (32 - kHashBits);
}

// Extends a common prefix of a and b, known to be `length` bytes, up to `limit` bytes.
size_t CommonLength(const uint8_t* a, const uint8_t* b, size_t length, size_t limit) {
    while (length + 8 <= limit) {
        const uint64_t diff = Load64(a + length) ^ Load64(b + length);
        if (diff != 0) return length + static_cast<size_t>(__builtin_ctzll(diff)) / 8;
        length += 8;
    }
    while (length < limit && a[length] == b[length]) ++length;
    return length;
}

// Finds the longest match (offset within the chunk, length up to what the position may encode) for
// every position. Each position becomes the root of its hash bucket's tree; the walk down the old
// tree visits its neighbours in suffix order, which hold the longest match. The usable length
// never grows along the chunk, so a node that equals a newer one up to that length can stand in for
// it: the tree drops such nodes, and a position inside a match that already reaches its usable
// length is not inserted at all (the match's source stands in for it). Results stay exact.
void FindMatches(const uint8_t* data, size_t size, EncoderWorkspace& ws) {
    ws.head.fill(kNil);
    size_t carriedLength = 0; // match of the previous position, one byte shorter here
    size_t carriedOffset = 0;
    for (size_t pos = 0; pos < size; ++pos) {
        ws.matchLength[pos] = 0;
        const size_t limit = std::min(MaxMatchLength(pos), size - pos);
        if (limit < kMinMatch) continue;
        if (carriedLength > kMinMatch) {
            const size_t length = CommonLength(data + pos - carriedOffset, data + pos,
                                               std::min(carriedLength - 1, limit), limit);
            if (length == limit) {
                ws.matchLength[pos] = static_cast<uint16_t>(length);
                ws.matchOffset[pos] = static_cast<uint16_t>(carriedOffset);
                carriedLength = length;
                continue;
            }
        }
        uint16_t& bucket = ws.head[Hash3(data + pos)];
        uint16_t node = bucket;
        bucket = static_cast<uint16_t>(pos);
        // Index 0: the slot for the next node that sorts before `pos`, 1: after it.
        uint16_t* slot[2] = {&ws.child[pos][0], &ws.child[pos][1]};
        size_t known[2] = {0, 0};
        size_t best = 0;
        size_t bestOffset = 0;
        for (unsigned depth = 0; node != kNil && depth < kMaxTreeDepth; ++depth) {
            const size_t length = CommonLength(data + node, data + pos, std::min(known[0], known[1]), limit);
            if (length > best) {
                best = length;
                bestOffset = pos - node;
            }
            if (length == limit) {
                *slot[0] = ws.child[node][0];
                *slot[1] = ws.child[node][1];
                slot[0] = slot[1] = nullptr;
                break;
            }
            // A node that sorts before `pos` hangs on the before-side; the walk goes on in its
            // after-subtree, and vice versa.
            const int after = data[node + length] > data[pos + length] ? 1 : 0;
            *slot[after] = node;
            slot[after] = &ws.child[node][1 - after];
            known[after] = length;
            node = ws.child[node][1 - after];
        }
        if (slot[0] != nullptr) {
            *slot[0] = kNil;
            *slot[1] = kNil;
        }
        carriedLength = best >= kMinMatch ? best : 0;
        carriedOffset = bestOffset;
        if (carriedLength != 0) {
            ws.matchLength[pos] = static_cast<uint16_t>(best);
            ws.matchOffset[pos] = static_cast<uint16_t>(bestOffset);
        }
    }
}

void ParseGreedy(size_t size, EncoderWorkspace& ws) {
    for (size_t pos = 0; pos < size;) {
        const uint16_t length = ws.matchLength[pos] != 0 ? ws.matchLength[pos] : uint16_t{1};
        ws.step[pos] = length;
        pos += length;
    }
}

// Cheapest position in [first, last] of ws.cost, the later one on a tie (fewer tokens).
size_t CheapestIn(const EncoderWorkspace& ws, size_t first, size_t last) {
    size_t best = last;
    size_t at = last;
    while (at > first && at % kCostBlock != 0) {
        --at;
        if (ws.cost[at] < ws.cost[best]) best = at;
    }
    while (at >= first + kCostBlock) {
        const size_t block = at / kCostBlock - 1;
        at -= kCostBlock;
        if (ws.blockCost[block] < ws.cost[best]) {
            size_t inner = at + kCostBlock - 1;
            while (ws.cost[inner] != ws.blockCost[block]) --inner;
            best = inner;
        }
    }
    while (at > first) {
        --at;
        if (ws.cost[at] < ws.cost[best]) best = at;
    }
    return best;
}

// Shortest path from each position to the chunk's end: a literal moves one byte on, a match of
// any length from 3 to the longest found moves that far (a prefix of a match is a match too).
void ParseOptimal(size_t size, EncoderWorkspace& ws) {
    ws.blockCost.fill(kNil);
    ws.cost[size] = 0;
    ws.blockCost[size / kCostBlock] = 0;
    // Inside a match the next position's range of ends is this one's minus its first entry: the
    // cheapest end carries over and only the new entry needs a look.
    size_t rangeEnd = 0;
    size_t rangeBest = 0;
    for (size_t pos = size; pos-- > 0;) {
        uint16_t cost = static_cast<uint16_t>(ws.cost[pos + 1] + kLiteralBits);
        uint16_t step = 1;
        if (ws.matchLength[pos] != 0) {
            const size_t first = pos + kMinMatch;
            const size_t last = pos + ws.matchLength[pos];
            if (last == rangeEnd && first < rangeEnd) {
                if (ws.cost[first] < ws.cost[rangeBest]) rangeBest = first;
            } else {
                rangeBest = CheapestIn(ws, first, last);
                rangeEnd = last;
            }
            if (ws.cost[rangeBest] + kMatchBits <= cost) {
                cost = static_cast<uint16_t>(ws.cost[rangeBest] + kMatchBits);
                step = static_cast<uint16_t>(rangeBest - pos);
            }
        } else {
            rangeEnd = 0;
        }
        ws.cost[pos] = cost;
        ws.step[pos] = step;
        uint16_t& block = ws.blockCost[pos / kCostBlock];
        block = std::min(block, cost);
    }
}

// Writes the tokens chosen in ws.step; returns the body length.
size_t WriteTokens(const uint8_t* data, size_t size, EncoderWorkspace& ws) {
    uint8_t* body = ws.body.data();
    size_t length = 0;
    size_t flagAt = 0;
    unsigned tokens = 0;
    for (size_t pos = 0; pos < size; pos += ws.step[pos], ++tokens) {
        if (tokens % 8 == 0) {
            flagAt = length++;
            body[flagAt] = 0;
        }
        const size_t step = ws.step[pos];
        if (step == 1) {
            body[length++] = data[pos];
            continue;
        }
        body[flagAt] = static_cast<uint8_t>(body[flagAt] | 1u << (tokens % 8));
        const unsigned lengthBits = kLengthBits[pos];
        const auto word =
            static_cast<uint16_t>((ws.matchOffset[pos] - 1u) << lengthBits | (step - kMinMatch));
        StoreLe16(body + length, word);
        length += 2;
    }
    return length;
}

// Encodes one chunk at `op`; returns the bytes written, or 0 when they do not fit into `room`.
size_t EncodeChunk(const uint8_t* data, size_t size, uint8_t* op, size_t room, Lznt1Parse parse,
                   EncoderWorkspace& ws) {
    FindMatches(data, size, ws);
    if (parse == Lznt1Parse::Optimal)
        ParseOptimal(size, ws);
    else
        ParseGreedy(size, ws);
    const size_t bodyLength = WriteTokens(data, size, ws);
    const bool stored = bodyLength >= size;
    const size_t written = 2 + (stored ? size : bodyLength);
    if (written > room) return 0;
    if (stored) {
        StoreLe16(op, static_cast<uint16_t>(kSignature | (size - 1)));
        std::memcpy(op + 2, data, size);
    } else {
        StoreLe16(op, static_cast<uint16_t>(kCompressedChunk | kSignature | (bodyLength - 1)));
        std::memcpy(op + 2, ws.body.data(), bodyLength);
    }
    return written;
}

} // namespace

Lznt1Result Lznt1DecodeBuffer(const uint8_t* in, size_t inSize, uint8_t* out, size_t outCapacity) {
    const uint8_t* ip = in;
    const uint8_t* const inEnd = in + inSize;
    uint8_t* op = out;
    uint8_t* const outEnd = out + outCapacity;
    const auto result = [&](Lznt1Status status) {
        return Lznt1Result{status, static_cast<size_t>(op - out)};
    };
    while (ip != inEnd) {
        if (inEnd - ip < 2) return result(Lznt1Status::BadData);
        const uint16_t header = LoadLe16(ip);
        ip += 2;
        if (header == 0) break;
        const size_t bodySize = (header & 0x0FFFu) + size_t{1};
        if (static_cast<size_t>(inEnd - ip) < bodySize) return result(Lznt1Status::BadData);
        if (PadShortChunk(out, op, outEnd) != Lznt1Status::Ok) return result(Lznt1Status::ShortOutput);
        const size_t room = static_cast<size_t>(outEnd - op);
        if ((header & kCompressedChunk) != 0) {
            ChunkDecoder chunk{ip, ip + bodySize, inEnd, op, op, op + std::min(room, kChunk), outEnd};
            const Lznt1Status status = chunk.Run();
            op = chunk.op;
            if (status != Lznt1Status::Ok) return result(status);
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

Lznt1Result Lznt1EncodeBuffer(const uint8_t* in, size_t inSize, uint8_t* out, size_t outCapacity,
                              Lznt1Parse parse) {
    EncoderWorkspace ws;
    size_t written = 0;
    for (size_t done = 0; done < inSize;) {
        const size_t size = std::min(kChunk, inSize - done);
        const size_t chunkBytes =
            EncodeChunk(in + done, size, out + written, outCapacity - written, parse, ws);
        if (chunkBytes == 0) return {Lznt1Status::ShortOutput, 0};
        written += chunkBytes;
        done += size;
    }
    return {Lznt1Status::Ok, written};
}
