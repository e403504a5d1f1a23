#include "payload/lznt1_encoder.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace {

using namespace lznt1;

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
    // Vista's decoder refuses a stored chunk of fewer than 4096 bytes (the last of a stream), so such
    // a chunk keeps its tokens, even more bytes than its data, whenever they fit a chunk.
    const bool stored = size == kChunk ? bodyLength >= size : bodyLength > kChunk;
    if (kLznt1ChunkHeaderSize + (stored ? size : bodyLength) > room) return 0;
    return stored ? WriteChunk(data, size, false, op) : WriteChunk(ws.body.data(), bodyLength, true, op);
}
} // namespace

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

size_t Lznt1WritePlainChunk(const uint8_t* data, size_t dataSize, uint8_t* out) {
    const size_t size = Lznt1PlainChunkSize(dataSize);
    if (size == 0) return 0;
    if (dataSize == kChunk) return WriteChunk(data, dataSize, false, out);
    StoreLe16(out, ChunkHeader(size - kLznt1ChunkHeaderSize, true));
    uint8_t* body = out + kLznt1ChunkHeaderSize;
    for (size_t i = 0; i < dataSize; ++i) {
        if (i % kTokensPerGroup == 0) *body++ = 0; // eight literals per flag byte
        *body++ = data[i];
    }
    return size;
}
