#include <gtest/gtest.h>
#include <tuple>
#include <vector>

#include "payload/compression_service.h"
#include "payload/lznt1_compress.h"
#include "payload/lznt1_decoder.h"
#include "payload/lznt1_decompress.h"
#include "payload/lznt1_encoder.h"
#include "payload/lznt1_parallel.h"
#include "tests/host/lznt1_samples.h"

namespace {

const uint8_t* Bytes(const std::string& text) { return reinterpret_cast<const uint8_t*>(text.data()); }

Lznt1Result Decode(const std::string& stream, std::string& out) {
    return Lznt1DecodeBuffer(Bytes(stream), stream.size(), reinterpret_cast<uint8_t*>(out.data()),
                             out.size());
}

struct Chunk {
    bool compressed;
    std::string body;
};

std::vector<Chunk> ChunksOf(const std::string& stream) {
    std::vector<Chunk> chunks;
    for (size_t at = 0; at + 2 <= stream.size();) {
        const unsigned header = static_cast<uint8_t>(stream[at]) | static_cast<uint8_t>(stream[at + 1]) << 8;
        const size_t size = (header & 0xFFF) + 1;
        chunks.push_back({(header & 0x8000) != 0, stream.substr(at + 2, size)});
        at += 2 + size;
    }
    return chunks;
}

// True when the body's last flag byte has no token after it.
bool EndsWithEmptyFlagByte(const std::string& body) {
    size_t at = 0;
    while (at < body.size()) {
        const unsigned flags = static_cast<uint8_t>(body[at++]);
        if (at == body.size()) return true;
        for (int bit = 0; bit < 8 && at < body.size(); ++bit) at += (flags >> bit & 1) ? 2 : 1;
    }
    return false;
}

// Every chunk but the last stands for 4096 bytes; no compressed chunk ends in an empty flag byte or
// is longer than its data, but a short last one (Vista refuses it stored).
void ExpectWellFormed(const std::string& stream, const std::string& data) {
    const std::vector<Chunk> chunks = ChunksOf(stream);
    ASSERT_EQ(chunks.size(), (data.size() + 4095) / 4096);
    for (size_t i = 0; i < chunks.size(); ++i) {
        const size_t expected = std::min<size_t>(4096, data.size() - i * 4096);
        if (!chunks[i].compressed) {
            EXPECT_EQ(chunks[i].body, data.substr(i * 4096, expected)) << "stored chunk " << i;
            continue;
        }
        EXPECT_LT(chunks[i].body.size(), expected < 4096 ? 4097 : expected) << "compressed chunk " << i;
        EXPECT_FALSE(EndsWithEmptyFlagByte(chunks[i].body)) << "chunk " << i;
    }
}

TEST(Lznt1Codec, DecodesTheWorkedExample) {
    std::string out(200, '\0');
    const Lznt1Result result = Decode(kExampleStream, out);
    EXPECT_EQ(result.status, Lznt1Status::Ok);
    ASSERT_EQ(result.size, kExampleText.size());
    EXPECT_EQ(out.substr(0, result.size), kExampleText);

    std::string target;
    EXPECT_EQ(Lznt1Decompress(kExampleStream, target), 142);
    EXPECT_EQ(target, kExampleText);
}

// Refusing it would refuse valid streams from other encoders.
TEST(Lznt1Codec, AcceptsAChunkThatEndsInAnEmptyFlagByte) {
    ASSERT_TRUE(EndsWithEmptyFlagByte(ChunksOf(kEmptyFlagByteStream).at(0).body));
    std::string out(5000, '\x55');
    Lznt1Result result = Decode(kEmptyFlagByteStream, out);
    EXPECT_EQ(result.status, Lznt1Status::Ok);
    ASSERT_EQ(result.size, kEmptyFlagByteText.size());
    EXPECT_EQ(out.substr(0, result.size), kEmptyFlagByteText);
    // The next chunk is read where the empty flag byte's chunk ends.
    result = Decode(kEmptyFlagByteStream + kEmptyFlagByteStream, out);
    EXPECT_EQ(result.status, Lznt1Status::Ok);
    ASSERT_EQ(result.size, 4096 + kEmptyFlagByteText.size());
    EXPECT_EQ(out.substr(4096, kEmptyFlagByteText.size()), kEmptyFlagByteText);
}

TEST(Lznt1Codec, RoundTripsAcrossChunkBoundaries) {
    const size_t sizes[] = {0, 1, 2, 3, 17, 4095, 4096, 4097, 8191, 8192, 8193, 20000};
    for (const size_t size : sizes) {
        // Runs of 100 equal bytes carry long matches across the points where the match word's split
        // moves, which once produced lengths the word could not hold.
        std::string striped(size, '\0');
        for (size_t i = 0; i < size; ++i) striped[i] = static_cast<char>(i / 100 % 3);
        const std::string inputs[] = {RandomBytes(size, 1), StructuredBytes(size, 2), std::string(size, '\0'),
                                      std::string(size, 'x'), striped};
        for (const std::string& data : inputs) {
            for (const Lznt1Parse parse : {Lznt1Parse::Greedy, Lznt1Parse::Optimal}) {
                SCOPED_TRACE(testing::Message() << "size " << size << " parse " << int(parse));
                const std::string stream = EncodeWithOwnCodec(data, parse);
                ExpectWellFormed(stream, data);
                std::string out(size, '\0');
                const Lznt1Result result = Decode(stream, out);
                EXPECT_EQ(result.status, Lznt1Status::Ok);
                EXPECT_EQ(result.size, size);
                EXPECT_EQ(out, data);
            }
        }
    }
}

TEST(Lznt1Codec, LongRunsShrinkToAFewBytesPerChunk) {
    const std::string data(64 * 4096, '\xCC');
    const std::string stream = EncodeWithOwnCodec(data, Lznt1Parse::Optimal);
    EXPECT_LT(stream.size(), 64u * 16);
    std::string out(data.size(), '\0');
    EXPECT_EQ(Decode(stream, out).size, data.size());
    EXPECT_EQ(out, data);
}

// Token lengths (1 for a literal) of each compressed chunk; stored chunks give an empty list.
std::vector<std::vector<size_t>> TokenLengths(const std::string& stream) {
    std::vector<std::vector<size_t>> chunks;
    for (const Chunk& chunk : ChunksOf(stream)) {
        std::vector<size_t>& lengths = chunks.emplace_back();
        const std::string& body = chunk.body;
        size_t produced = 0;
        for (size_t at = 0; chunk.compressed && at < body.size();) {
            const unsigned flags = static_cast<uint8_t>(body[at++]);
            for (int bit = 0; bit < 8 && at < body.size(); ++bit) {
                if ((flags >> bit & 1) == 0) {
                    lengths.push_back(1);
                    ++produced;
                    ++at;
                    continue;
                }
                const unsigned word = static_cast<uint8_t>(body[at]) | static_cast<uint8_t>(body[at + 1])
                                                                           << 8;
                at += 2;
                unsigned offsetBits = 4;
                while ((size_t{1} << offsetBits) < produced) ++offsetBits;
                const size_t length = (word & ((1u << (16 - offsetBits)) - 1)) + 3;
                lengths.push_back(length);
                produced += length;
            }
        }
    }
    return chunks;
}

// Longest earlier match at every position of a chunk, by brute force, up to what a match word at
// that position can hold; 0 when shorter than 3.
std::vector<size_t> LongestMatches(const std::string& chunk) {
    std::vector<size_t> longest(chunk.size(), 0);
    for (size_t pos = 1; pos < chunk.size(); ++pos) {
        unsigned offsetBits = 4;
        while ((size_t{1} << offsetBits) < pos) ++offsetBits;
        const size_t limit = std::min((size_t{1} << (16 - offsetBits)) + 2, chunk.size() - pos);
        size_t best = 0;
        for (size_t from = pos; from-- > 0 && best < limit;) {
            size_t length = 0;
            while (length < limit && chunk[from + length] == chunk[pos + length]) ++length;
            best = std::max(best, length);
        }
        longest[pos] = best >= 3 ? best : 0;
    }
    return longest;
}

// Runs of several lengths and bytes, counters, two-byte patterns, copies with changes: the shapes
// that make search trees deep.
std::string RunsAndPatterns(size_t size, uint32_t seed) {
    std::mt19937 random(seed);
    std::string bytes;
    while (bytes.size() < size) {
        const size_t length = 1 + random() % 150;
        switch (random() % 5) {
        case 0:
            bytes.append(length, static_cast<char>(random() % 3 * 0x7F));
            break;
        case 1:
            for (size_t i = 0; i < length; ++i) bytes.push_back(static_cast<char>(i * (1 + random() % 2)));
            break;
        case 2:
            for (size_t i = 0; i < length; ++i) bytes.push_back(i % 2 != 0 ? '\0' : 'a');
            break;
        case 3:
            for (size_t i = 0, from = random() % (bytes.size() + 1); i < length && from < bytes.size(); ++i)
                bytes.push_back(random() % 50 == 0 ? 'x' : bytes[from + i % (bytes.size() - from)]);
            break;
        default:
            for (size_t i = 0; i < length; ++i) bytes.push_back(static_cast<char>(random() % 4));
        }
    }
    bytes.resize(size);
    return bytes;
}

// Greedy takes the longest match at every token, and the optimal parse spends the fewest bits
// (9 per literal, 17 per match) that the longest matches allow: both against brute force.
TEST(Lznt1Codec, MatchesAreTheLongestAndTheOptimalParseTheCheapest) {
    for (uint32_t seed = 0; seed < 6; ++seed) {
        const std::string data = seed % 2 == 0 ? RunsAndPatterns(2 * 4096 + seed * 500, seed)
                                               : StructuredBytes(4096 + seed * 700, seed);
        const auto greedy = TokenLengths(EncodeWithOwnCodec(data, Lznt1Parse::Greedy));
        const auto optimal = TokenLengths(EncodeWithOwnCodec(data, Lznt1Parse::Optimal));
        for (size_t index = 0; index * 4096 < data.size(); ++index) {
            SCOPED_TRACE(testing::Message() << "seed " << seed << " chunk " << index);
            const std::string chunk = data.substr(index * 4096, 4096);
            const std::vector<size_t> longest = LongestMatches(chunk);
            ASSERT_FALSE(greedy[index].empty()) << "stored";
            size_t pos = 0;
            for (const size_t length : greedy[index]) {
                ASSERT_EQ(length, std::max<size_t>(longest[pos], 1)) << "at " << pos;
                pos += length;
            }
            std::vector<size_t> fewest(chunk.size() + 1, 0);
            for (size_t at = chunk.size(); at-- > 0;) {
                fewest[at] = fewest[at + 1] + 9;
                for (size_t length = 3; length <= longest[at]; ++length)
                    fewest[at] = std::min(fewest[at], fewest[at + length] + 17);
            }
            size_t bits = 0;
            for (const size_t length : optimal[index]) bits += length == 1 ? 9 : 17;
            EXPECT_EQ(bits, fewest[0]);
        }
    }
}

TEST(Lznt1Codec, OptimalParseIsNeverLongerThanGreedy) {
    for (uint32_t seed = 0; seed < 20; ++seed) {
        const std::string data = StructuredBytes(3 * 4096 + seed * 97, seed);
        EXPECT_LE(EncodeWithOwnCodec(data, Lznt1Parse::Optimal).size(),
                  EncodeWithOwnCodec(data, Lznt1Parse::Greedy).size());
    }
    EXPECT_LE(EncodeWithOwnCodec(kExampleText, Lznt1Parse::Optimal).size(), kExampleStream.size());
}

TEST(Lznt1Codec, EightTokensNeedNoSecondFlagByte) {
    // 8 literals fill one flag group exactly; a stray flag byte after them would cost a byte and
    // break peers that reject empty groups.
    const std::string data = "abcdefghabcdefgh";
    const std::string stream = EncodeWithOwnCodec(data, Lznt1Parse::Greedy);
    ASSERT_EQ(ChunksOf(stream).size(), 1u);
    EXPECT_TRUE(ChunksOf(stream)[0].compressed);
    EXPECT_EQ(stream.size(), 2u + 1 + 8 + 1 + 2); // flags, 8 literals, flags, one match
}

TEST(Lznt1Codec, IncompressibleInputIsStoredAndNeedsRoom) {
    const std::string data = RandomBytes(4096 + 100, 7);
    const std::string stream = EncodeWithOwnCodec(data, Lznt1Parse::Optimal);
    ASSERT_EQ(stream.size(), Lznt1EncodeBound(data.size()));
    const std::vector<Chunk> chunks = ChunksOf(stream);
    ASSERT_EQ(chunks.size(), 2u);
    // Fault: the short remainder was stored, which Vista's decoder refuses; its literals fit a chunk.
    EXPECT_TRUE(!chunks[0].compressed && chunks[1].compressed && chunks[1].body.size() == 100 + 13);

    std::string tooSmall(stream.size() - 1, '\0');
    const Lznt1Result result =
        Lznt1EncodeBuffer(Bytes(data), data.size(), reinterpret_cast<uint8_t*>(tooSmall.data()),
                          tooSmall.size(), Lznt1Parse::Optimal);
    EXPECT_EQ(result.status, Lznt1Status::ShortOutput);
    EXPECT_EQ(result.size, 0u);
}

TEST(Lznt1Codec, CapacityCutsTheOutputAtAnyPoint) {
    const std::string data = StructuredBytes(3 * 4096 + 5, 3) + std::string(100, 'z');
    const std::string stream = EncodeWithOwnCodec(data, Lznt1Parse::Optimal);
    for (const size_t capacity :
         {size_t{0}, size_t{1}, size_t{100}, size_t{4095}, size_t{4096}, size_t{9000}, data.size() - 1}) {
        std::string out(capacity, '\0');
        const Lznt1Result result = Decode(stream, out);
        EXPECT_EQ(result.status, Lznt1Status::ShortOutput) << capacity;
        EXPECT_EQ(result.size, capacity);
        EXPECT_EQ(out, data.substr(0, capacity));
    }
}

// Hand-made streams: header (little-endian), then body.
std::string MakeChunk(uint16_t header, const std::string& body) {
    return std::string{static_cast<char>(header & 0xFF), static_cast<char>(header >> 8)} + body;
}

TEST(Lznt1Codec, RejectsMalformedStreams) {
    std::string out(10000, '\0');
    // A back-reference before the chunk's first byte.
    EXPECT_EQ(Decode(MakeChunk(0xB002, std::string("\x01\x00\x00", 3)), out).status, Lznt1Status::BadData);
    EXPECT_EQ(Decode(MakeChunk(0xB003, std::string("\x02"
                                                   "a"
                                                   "\x00\x10",
                                                   4)),
                     out)
                  .status,
              Lznt1Status::BadData);
    // A body that runs past the input, a lone byte for a header, a cut-off match word.
    EXPECT_EQ(Decode(MakeChunk(0xB010, std::string("\x00"
                                                   "abc",
                                                   4)),
                     out)
                  .status,
              Lznt1Status::BadData);
    EXPECT_EQ(Decode("\x01", out).status, Lznt1Status::BadData);
    // Fault: one stray byte after a whole stream was malformed here, but not for the platform's decoder.
    EXPECT_EQ(Decode(kExampleStream + "\x01", out).status, Lznt1Status::Ok);
    EXPECT_EQ(Decode(MakeChunk(0xB002, std::string("\x02"
                                                   "a"
                                                   "\x00",
                                                   3)),
                     out)
                  .status,
              Lznt1Status::BadData);
    // A compressed chunk that yields more than 4096 bytes: a at offset 1, then 3 runs of 4098-ish.
    std::string tooLong = "\x0E"
                          "a";
    tooLong += std::string("\xFF\x0F\xFF\x0F\xFF\x0F", 6);
    EXPECT_EQ(Decode(MakeChunk(static_cast<uint16_t>(0xB000 | (tooLong.size() - 1)), tooLong), out).status,
              Lznt1Status::BadData);
    // The signature bits are not examined, as by the platform's decoder.
    EXPECT_EQ(Decode(MakeChunk(0x0002, "abc"), out).status, Lznt1Status::Ok);
}

TEST(Lznt1Codec, ShortChunkInsideTheStreamIsPaddedWithZeros) {
    std::string out(9000, '\x55');
    const Lznt1Result result = Decode(MakeChunk(0x3002, "abc") + MakeChunk(0x3001, "de"), out);
    EXPECT_EQ(result.status, Lznt1Status::Ok);
    ASSERT_EQ(result.size, 4096u + 2);
    EXPECT_EQ(out.substr(0, 4), std::string("abc\0", 4));
    EXPECT_EQ(out.substr(4094, 4), std::string("\0\0de", 4));
    // A zero header ends the stream; what follows is not read.
    EXPECT_EQ(Decode(MakeChunk(0x3002, "abc") + std::string(2, '\0') + "garbage", out).size, 3u);
}

TEST(Lznt1Codec, TruncatedAndCorruptStreamsNeverFault) {
    const std::string data = StructuredBytes(2 * 4096 + 300, 9);
    const std::string stream = EncodeWithOwnCodec(data, Lznt1Parse::Optimal);
    std::string out(data.size() + 64, '\0');
    for (size_t length = 0; length <= stream.size(); ++length) {
        const Lznt1Result result = Decode(stream.substr(0, length), out);
        EXPECT_LE(result.size, data.size());
        EXPECT_EQ(out.substr(0, result.size), data.substr(0, result.size));
    }
    std::mt19937 random(4);
    for (int round = 0; round < 2000; ++round) {
        std::string broken = stream;
        for (int flips = 1 + random() % 4; flips > 0; --flips)
            broken[random() % broken.size()] ^= 1 << random() % 8;
        std::string small(random() % 9000, '\0');
        EXPECT_LE(Decode(broken, small).size, small.size());
    }
}

TEST(Lznt1Wrapper, DefaultDecompressCapacityRoundsHalfToEven) {
    EXPECT_EQ(Lznt1DefaultDecompressCapacity(0), 0u);
    EXPECT_EQ(Lznt1DefaultDecompressCapacity(1), 12u);
    EXPECT_EQ(Lznt1DefaultDecompressCapacity(2), 25u);
    EXPECT_EQ(Lznt1DefaultDecompressCapacity(3), 38u);
    EXPECT_EQ(Lznt1DefaultDecompressCapacity(5), 62u);
    EXPECT_EQ(Lznt1DefaultDecompressCapacity(7), 88u);
    EXPECT_EQ(Lznt1DefaultDecompressCapacity(44653), 558162u);
}

TEST(Lznt1Wrapper, DecompressHonoursTheTargetAndTheDefaultCapacity) {
    std::string target;
    EXPECT_EQ(Lznt1Decompress("", target), 0);
    EXPECT_TRUE(target.empty());

    const std::string data = RandomBytes(5000, 5);
    std::string stream;
    stream.assign(Lznt1EncodeBound(data.size()), '\0');
    ASSERT_GT(Lznt1Compress(data, stream), 0);
    target.assign(100, '\0');
    EXPECT_EQ(Lznt1Decompress(stream, target), 100);
    EXPECT_EQ(target, data.substr(0, 100));

    // A long run expands beyond 12.5 times its stream: the default capacity cuts it inside a match.
    const std::string run(100000, '\0');
    std::string runStream;
    ASSERT_GT(Lznt1Compress(run, runStream), 0);
    target.clear();
    EXPECT_EQ(Lznt1Decompress(runStream, target), 0);
}

TEST(Lznt1Wrapper, MalformedStreamProducesNothing) {
    const std::string data = StructuredBytes(6000, 6);
    std::string stream(Lznt1EncodeBound(data.size()), '\0');
    ASSERT_GT(Lznt1Compress(data, stream), 0);
    std::string target;
    EXPECT_EQ(Lznt1Decompress(stream, target), 6000);
    // A valid prefix followed by garbage decodes to the expected length before the garbage is
    // seen; the service reports the stream malformed and the wrapper yields nothing.
    target.clear();
    EXPECT_EQ(Lznt1Decompress(stream + "\x05\xB0\x01", target), 0);
    EXPECT_TRUE(target.empty());
}

TEST(Lznt1Wrapper, CompressNeedsALargerTargetForIncompressibleInput) {
    const std::string data = RandomBytes(10000, 8);
    std::string target;
    EXPECT_EQ(Lznt1Compress(data, target), 0);
    EXPECT_TRUE(target.empty());
    target.assign(Lznt1EncodeBound(data.size()), '\0');
    EXPECT_EQ(Lznt1Compress(data, target), static_cast<int32_t>(Lznt1EncodeBound(data.size())));
    std::string back(data.size(), '\0');
    EXPECT_EQ(Lznt1Decompress(target, back), 10000);
    EXPECT_EQ(back, data);
}

TEST(Lznt1Service, ReportsStatusLikeThePlatform) {
    uint8_t out[16] = {};
    uint8_t in[4] = {0x02, 0xB0, 0x01, 0x00};
    ULONG finalSize = 99;
    EXPECT_EQ(RtlDecompressBuffer(0x0003, out, sizeof out, in, sizeof in, &finalSize), kStatusNotSupported);
    EXPECT_EQ(RtlDecompressBuffer(COMPRESSION_FORMAT_LZNT1, out, sizeof out, in, 3, &finalSize),
              kStatusBadCompressionBuffer);
    // Windows' answers (Wine's service differs in the first): "WineWine" cut inside its back-reference,
    // and an empty stream, are malformed; cut inside its literals, or with a stray byte after it, not.
    uint8_t wine[] = {0x06, 0xB0, 0x10, 'W', 'i', 'n', 'e', 0x01, 0x30, 0x07};
    for (const auto& [capacity, size, status] : {std::tuple{7u, 9u, kStatusBadCompressionBuffer},
                                                 {3u, 9u, kStatusSuccess},
                                                 {16u, 0u, kStatusBadCompressionBuffer},
                                                 {16u, 10u, kStatusSuccess}})
        EXPECT_EQ(RtlDecompressBuffer(2, out, capacity, wine, size, &finalSize), status) << capacity << size;
    uint8_t text[] = "abcabcabcabcabcabc";
    EXPECT_EQ(RtlCompressBuffer(0x0102, text, sizeof text, out, 4, 8192, &finalSize, nullptr),
              kStatusBufferTooSmall);
    EXPECT_EQ(finalSize, 0u);
    EXPECT_EQ(RtlCompressBuffer(0x0102, text, sizeof text, out, sizeof out, 8192, &finalSize, nullptr),
              kStatusSuccess);
    EXPECT_GT(finalSize, 0u);
    ULONG workspace = 0;
    ULONG fragment = 0;
    EXPECT_EQ(RtlGetCompressionWorkSpaceSize(0x0102, &workspace, &fragment), kStatusSuccess);
    EXPECT_EQ(RtlGetCompressionWorkSpaceSize(0x0104, &workspace, &fragment), kStatusNotSupported);
}

} // namespace

TEST(Lznt1Parallel, GivesTheStreamOfOneThreadAndTheSameCapacityRule) {
    const size_t block = kLznt1ChunksPerBlock * 4096;
    for (const size_t size : {size_t{0}, block - 1, block + 1, 2 * block, 9 * block + 4096 * 3 + 17}) {
        const std::string data = StructuredBytes(size, static_cast<uint32_t>(size));
        const auto* in = reinterpret_cast<const uint8_t*>(data.data());
        for (const Lznt1Parse parse : {Lznt1Parse::Greedy, Lznt1Parse::Optimal}) {
            const std::string expected = EncodeWithOwnCodec(data, parse);
            for (const unsigned threads : {0u, 2u, 3u, 16u}) {
                SCOPED_TRACE(testing::Message() << "size " << size << " threads " << threads);
                std::string stream(Lznt1EncodeBound(size), '\0');
                auto* out = reinterpret_cast<uint8_t*>(stream.data());
                const Lznt1Result result = Lznt1EncodeParallel(in, size, out, stream.size(), parse, threads);
                ASSERT_EQ(result.status, Lznt1Status::Ok);
                EXPECT_EQ(stream.substr(0, result.size), expected);
                if (expected.empty()) continue;
                const Lznt1Result exact = Lznt1EncodeParallel(in, size, out, expected.size(), parse, threads);
                EXPECT_EQ(exact.status, Lznt1Status::Ok);
                const Lznt1Result cramped =
                    Lznt1EncodeParallel(in, size, out, expected.size() - 1, parse, threads);
                EXPECT_EQ(cramped.status, Lznt1Status::ShortOutput);
                EXPECT_EQ(cramped.size, 0u);
            }
        }
    }
}
