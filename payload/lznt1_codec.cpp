#include "payload/lznt1_codec.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace {

constexpr size_t kChunk = kLznt1ChunkSize;
constexpr uint16_t kCompressedChunk = 0x8000;
constexpr uint16_t kSignature = 0x3000;
constexpr size_t kMinMatch = 3;
constexpr uint16_t kBodySizeBits = 0x0FFF;

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

// A header holds the body size minus one; the signature bits are written but never checked.
size_t BodySize(uint16_t header) { return (header & kBodySizeBits) + size_t{1}; }

uint16_t ChunkHeader(size_t bodySize, bool compressed) {
    return static_cast<uint16_t>((compressed ? kCompressedChunk : 0) | kSignature | (bodySize - 1));
}

size_t WriteChunk(const uint8_t* body, size_t bodySize, bool compressed, uint8_t* out) {
    StoreLe16(out, ChunkHeader(bodySize, compressed));
    std::memcpy(out + kLznt1ChunkHeaderSize, body, bodySize);
    return kLznt1ChunkHeaderSize + bodySize;
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
//
// Every position of a chunk gets its longest usable match (MatchFinder); a parse then picks the
// tokens (ParseGreedy, ParseOptimal) and WriteTokens lays them out.

constexpr uint16_t kNil = 0xFFFF;
constexpr unsigned kTripleHashBits = 14;
constexpr unsigned kTreeHashBits = 15;
constexpr unsigned kMaxWalk = 256;   // bounds the work on pathological input
constexpr size_t kMinRun = 4;        // runs of equal bytes this long get trees of their own
constexpr uint16_t kLiteralBits = 9; // 8 data bits and one flag bit
constexpr uint16_t kMatchBits = 17;  // 16 data bits and one flag bit
constexpr size_t kMaxBody = kChunk + kChunk / 8;

struct EncoderWorkspace {
    // Binary search trees of earlier positions ordered by their suffixes, one per bucket:
    // child[p][0] sorts before p, child[p][1] after it.
    std::array<uint16_t, size_t{1} << kTreeHashBits> treeHead;
    std::array<std::array<uint16_t, 2>, kChunk> child;
    // Chains of earlier positions by their first three bytes, for matches of exactly three.
    std::array<uint16_t, size_t{1} << kTripleHashBits> tripleHead;
    std::array<uint16_t, kChunk> tripleNext;
    // Per byte value: the longest run of it seen so far and where it starts.
    std::array<uint16_t, 256> longestRun;
    std::array<uint16_t, 256> longestRunAt;

    std::array<uint16_t, kChunk> matchLength; // longest usable match at each position (0: none)
    std::array<uint16_t, kChunk> matchOffset;
    std::array<uint16_t, kChunk + 1> cost;  // fewest bits for the rest of the chunk
    std::array<uint16_t, kChunk + 1> ends;  // candidate match ends of the optimal parse
    std::array<uint16_t, kChunk> step;      // token length chosen at each position (1: literal)
    std::array<uint8_t, kMaxBody + 1> body; // + 1: a literal is stored as a word
};

uint32_t Load32(const uint8_t* p) {
    uint32_t value;
    std::memcpy(&value, p, sizeof value);
    return value;
}

uint32_t TripleAt(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16; }

uint32_t HashTriple(const uint8_t* p) { return (TripleAt(p) * 2654435761u) >> (32 - kTripleHashBits); }

uint32_t HashQuad(const uint8_t* p) { return (Load32(p) * 2654435761u) >> (32 - kTreeHashBits); }

uint32_t HashRun(uint8_t value, size_t length) {
    return ((value | static_cast<uint32_t>(length) << 8) * 0x9E3779B1u) >> (32 - kTreeHashBits);
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

struct SuffixOrder {
    size_t length;  // common prefix, at most the limit
    bool nodeFirst; // the earlier suffix sorts first (meaningless at the limit)
};

// Compares the suffixes at a (earlier) and b, known to agree on `length` bytes, up to `limit`
// bytes; `readable` bytes from b on may be read. The order comes from the same loads.
// Inlined by force: the compiler keeps it out of line otherwise, which costs a few percent.
[[gnu::always_inline]] inline SuffixOrder CompareSuffixes(const uint8_t* a, const uint8_t* b, size_t length,
                                                          size_t limit, size_t readable) {
    while (length + 8 <= readable) {
        const uint64_t x = Load64(a + length);
        const uint64_t y = Load64(b + length);
        if (x != y) {
            length += static_cast<size_t>(__builtin_ctzll(x ^ y)) / 8;
            if (length >= limit) return {limit, false};
            return {length, __builtin_bswap64(x) < __builtin_bswap64(y)};
        }
        length += 8;
        if (length >= limit) return {limit, false};
    }
    while (length < limit && a[length] == b[length]) ++length;
    if (length >= limit) return {limit, false};
    return {length, a[length] < b[length]};
}

struct Match {
    size_t length = 0;
    size_t offset = 0;
};

// Finds the longest match for every position of a chunk. Results are exact: each is the longest
// earlier occurrence, up to what the position may encode.
//
// Positions starting with four or more equal bytes are kept apart from the rest, bucketed by byte
// and run length: among earlier runs of the same byte only those of exactly the same length can
// match beyond it, the others match as far as the shorter run reaches, and the longest run seen
// stands for all of those. Everything else lives in trees bucketed by the first four bytes, and a
// chain by the first three bytes supplies matches of exactly three.
//
// The usable length never grows along the chunk, so a position whose match (carried on from the
// previous position) already reaches it is not searched or inserted: the match's source, which
// agrees with it that far, stands in for it. For the same reason a tree drops a node that equals
// the new one up to its limit.
class MatchFinder {
  public:
    MatchFinder(const uint8_t* data, size_t size, EncoderWorkspace& ws) : data_(data), size_(size), ws_(ws) {}

    void Run() {
        ws_.treeHead.fill(kNil);
        ws_.tripleHead.fill(kNil);
        ws_.longestRun.fill(0);
        Match carried;
        for (size_t pos = 0; pos < size_; ++pos) {
            const size_t limit = std::min(MaxMatchLength(pos), size_ - pos);
            Match found;
            if (limit >= kMinMatch) {
                found = CarriedMatch(carried, pos, limit);
                if (found.length < limit) found = Search(pos, limit);
            }
            ws_.matchLength[pos] = static_cast<uint16_t>(found.length);
            ws_.matchOffset[pos] = static_cast<uint16_t>(found.offset);
            carried = found;
        }
    }

  private:
    // The previous position's match, one byte shorter here, extended as far as it goes.
    Match CarriedMatch(Match carried, size_t pos, size_t limit) const {
        if (carried.length <= kMinMatch) return {};
        const size_t known = std::min(carried.length - 1, limit);
        return {CommonLength(data_ + pos - carried.offset, data_ + pos, known, limit), carried.offset};
    }

    Match Search(size_t pos, size_t limit) {
        Match best;
        const size_t run = limit > kMinMatch ? RunFrom(pos) : 0;
        if (run != 0) {
            best = LongestRunMatch(pos, limit);
            NoteRun(pos, run);
            // A run that reaches the limit is matched in full by any as long.
            if (run < limit) best = WalkTree(ws_.treeHead[HashRun(data_[pos], run)], pos, limit, best);
        } else if (limit > kMinMatch) {
            best = WalkTree(ws_.treeHead[HashQuad(data_ + pos)], pos, limit, best);
        }
        if (best.length < kMinMatch) best = FindTriple(pos);
        return best;
    }

    // Only the first occurrence of three bytes joins their chain: a later one has a match, whose
    // source (or its own source, and so on) is that first occurrence.
    Match FindTriple(size_t pos) {
        uint16_t& head = ws_.tripleHead[HashTriple(data_ + pos)];
        const uint32_t wanted = TripleAt(data_ + pos);
        uint16_t node = head;
        for (unsigned walked = 0; node != kNil && walked < kMaxWalk; ++walked, node = ws_.tripleNext[node])
            if (TripleAt(data_ + node) == wanted) return {kMinMatch, pos - node};
        ws_.tripleNext[pos] = head;
        head = static_cast<uint16_t>(pos);
        return {};
    }

    // Equal bytes from pos on when there are at least kMinRun, else 0.
    size_t RunFrom(size_t pos) {
        if (pos < runEnd_) return runEnd_ - pos >= kMinRun ? runEnd_ - pos : 0;
        if (Load32(data_ + pos) != data_[pos] * 0x01010101u) return 0;
        runEnd_ = pos + 1 + CommonLength(data_ + pos, data_ + pos + 1, kMinRun - 1, size_ - pos - 1);
        return runEnd_ - pos;
    }

    Match LongestRunMatch(size_t pos, size_t limit) const {
        if (ws_.longestRun[data_[pos]] == 0) return {};
        const size_t at = ws_.longestRunAt[data_[pos]];
        return {CompareSuffixes(data_ + at, data_ + pos, 0, limit, size_ - pos).length, pos - at};
    }

    void NoteRun(size_t pos, size_t run) {
        if (run <= ws_.longestRun[data_[pos]]) return;
        ws_.longestRun[data_[pos]] = static_cast<uint16_t>(run);
        ws_.longestRunAt[data_[pos]] = static_cast<uint16_t>(pos);
    }

    // Makes pos the root of the tree at `root`; the walk down the old tree visits pos's neighbours
    // in suffix order, which hold its longest match.
    Match WalkTree(uint16_t& root, size_t pos, size_t limit, Match best) {
        uint16_t node = root;
        root = static_cast<uint16_t>(pos);
        uint16_t* before = &ws_.child[pos][0]; // where the next node sorting before pos goes
        uint16_t* after = &ws_.child[pos][1];
        size_t knownBefore = 0;
        size_t knownAfter = 0;
        for (unsigned walked = 0; node != kNil && walked < kMaxWalk; ++walked) {
            const SuffixOrder order = CompareSuffixes(data_ + node, data_ + pos,
                                                      std::min(knownBefore, knownAfter), limit, size_ - pos);
            if (order.length > best.length) best = {order.length, pos - node};
            if (order.length == limit) {
                *before = ws_.child[node][0];
                *after = ws_.child[node][1];
                return best;
            }
            if (order.nodeFirst) {
                *before = node;
                before = &ws_.child[node][1];
                knownBefore = order.length;
                node = *before;
            } else {
                *after = node;
                after = &ws_.child[node][0];
                knownAfter = order.length;
                node = *after;
            }
        }
        *before = kNil;
        *after = kNil;
        return best;
    }

    const uint8_t* data_;
    size_t size_;
    EncoderWorkspace& ws_;
    size_t runEnd_ = 0; // end of the last run of equal bytes measured
};

void ParseGreedy(size_t size, EncoderWorkspace& ws) {
    for (size_t pos = 0; pos < size;) {
        const uint16_t length = ws.matchLength[pos] != 0 ? ws.matchLength[pos] : uint16_t{1};
        ws.step[pos] = length;
        pos += length;
    }
}

// Shortest path from each position to the chunk's end: a literal moves one byte on, a match of
// any length from 3 to the longest found moves that far (a prefix of a match is a match too).
//
// The cheapest end of a match from pos lies in [pos + 3, pos + length]. The candidates wait in a
// queue ordered by position whose costs never rise from the front (the lowest position, added
// last) to the back, so the back is the cheapest, and the later one on a tie (fewer tokens). Both
// bounds of the range only move down as pos does, except where the usable length drops; there the
// queue is rebuilt.
void ParseOptimal(size_t size, EncoderWorkspace& ws) {
    uint16_t* const ends = ws.ends.data();
    const uint16_t* const cost = ws.cost.data();
    size_t front = kChunk;
    size_t back = kChunk;  // ends[front..back) are the candidates
    size_t covered = size; // candidates above this were dropped
    const auto add = [&](size_t end) {
        while (front != back && cost[ends[front]] > cost[end]) ++front;
        ends[--front] = static_cast<uint16_t>(end);
    };
    ws.cost[size] = 0;
    uint16_t next = 0; // cost[pos + 1], kept out of memory
    size_t pos = size;
    // The last two positions are too close to the end for a match.
    while (pos > 0 && pos - 1 + kMinMatch > size) {
        --pos;
        next = static_cast<uint16_t>(next + kLiteralBits);
        ws.cost[pos] = next;
        ws.step[pos] = 1;
    }
    while (pos-- > 0) {
        add(pos + kMinMatch);
        uint16_t best = static_cast<uint16_t>(next + kLiteralBits);
        uint16_t step = 1;
        const size_t length = ws.matchLength[pos];
        if (length != 0) {
            const size_t last = pos + length;
            if (last > covered) {
                front = back = kChunk;
                for (size_t end = last; end >= pos + kMinMatch; --end) add(end);
            }
            covered = last;
            while (ends[back - 1] > last) --back;
            const size_t end = ends[back - 1];
            const auto viaMatch = static_cast<uint16_t>(cost[end] + kMatchBits);
            if (viaMatch <= best) {
                best = viaMatch;
                step = static_cast<uint16_t>(end - pos);
            }
        }
        ws.cost[pos] = best;
        ws.step[pos] = step;
        next = best;
    }
}

// Writes the tokens chosen in ws.step; returns the body length.
size_t WriteTokens(const uint8_t* data, size_t size, EncoderWorkspace& ws) {
    uint8_t* body = ws.body.data();
    size_t length = 0;
    size_t flagAt = 0;
    unsigned flags = 0;
    unsigned tokens = 0;
    for (size_t pos = 0; pos < size; ++tokens) {
        if (tokens % 8 == 0) {
            body[flagAt] = static_cast<uint8_t>(flags);
            flags = 0;
            flagAt = length++;
        }
        // Without a branch on the token kind, which is as good as random: a literal is stored as
        // a word too, and its second byte is overwritten by what follows.
        const size_t step = ws.step[pos];
        const bool match = step != 1;
        const auto word =
            static_cast<uint16_t>((ws.matchOffset[pos] - 1u) << kLengthBits[pos] | (step - kMinMatch));
        StoreLe16(body + length, match ? word : data[pos]);
        flags |= static_cast<unsigned>(match) << (tokens % 8);
        length += match ? 2 : 1;
        pos += step;
    }
    body[flagAt] = static_cast<uint8_t>(flags);
    return length;
}

// Encodes one chunk at `op`; returns the bytes written, or 0 when they do not fit into `room`.
size_t EncodeChunk(const uint8_t* data, size_t size, uint8_t* op, size_t room, Lznt1Parse parse,
                   EncoderWorkspace& ws) {
    MatchFinder(data, size, ws).Run();
    if (parse == Lznt1Parse::Optimal)
        ParseOptimal(size, ws);
    else
        ParseGreedy(size, ws);
    const size_t bodyLength = WriteTokens(data, size, ws);
    const bool stored = bodyLength >= size;
    if (kLznt1ChunkHeaderSize + (stored ? size : bodyLength) > room) return 0;
    return stored ? WriteChunk(data, size, false, op) : WriteChunk(ws.body.data(), bodyLength, true, op);
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
        if (static_cast<size_t>(inEnd - ip) < kLznt1ChunkHeaderSize) return result(Lznt1Status::BadData);
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

Lznt1Chunk Lznt1ChunkAt(const uint8_t* in, size_t inSize, size_t offset) {
    if (offset > inSize || inSize - offset < kLznt1ChunkHeaderSize) return {0, false};
    const uint16_t header = LoadLe16(in + offset);
    const size_t size = kLznt1ChunkHeaderSize + BodySize(header);
    if (header == 0 || size > inSize - offset) return {0, false};
    return {size, (header & kCompressedChunk) != 0};
}

size_t Lznt1WriteStoredChunk(const uint8_t* data, size_t dataSize, uint8_t* out) {
    return WriteChunk(data, dataSize, false, out);
}
