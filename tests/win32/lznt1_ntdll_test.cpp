// The project's codec against the platform's own compression service (ntdll, here Wine's): each
// must decode the other's streams, and the wrappers must behave the same as in the host build.
#include <windows.h>

#include <cstdio>
#include <gtest/gtest.h>
#include <vector>

#include "payload/compression_service.h"
#include "payload/lznt1_compress.h"
#include "payload/lznt1_decoder.h"
#include "payload/lznt1_decompress.h"
#include "payload/lznt1_encoder.h"
#include "tests/host/lznt1_samples.h"
#include "tests/profile_bytes.h"

namespace {

PUCHAR Bytes(std::string& text) { return reinterpret_cast<PUCHAR>(text.data()); }

std::vector<std::string> Inputs() {
    return {kExampleText,         "abcdefghabcdefgh",      StructuredBytes(20000, 1),
            RandomBytes(5000, 2), std::string(9000, '\0'), StructuredBytes(4097, 3)};
}

NtStatus NtdllDecode(std::string stream, std::string& out, ULONG& finalSize) {
    finalSize = 0;
    return RtlDecompressBuffer(COMPRESSION_FORMAT_LZNT1, Bytes(out), ULONG(out.size()), Bytes(stream),
                               ULONG(stream.size()), &finalSize);
}

TEST(Lznt1Ntdll, DecodesEveryStreamWeMake) {
    for (const std::string& data : Inputs()) {
        for (const Lznt1Parse parse : {Lznt1Parse::Greedy, Lznt1Parse::Optimal}) {
            SCOPED_TRACE(testing::Message() << "size " << data.size() << " parse " << int(parse));
            std::string out(data.size() + 100, '\0');
            ULONG finalSize = 0;
            EXPECT_EQ(NtdllDecode(EncodeWithOwnCodec(data, parse), out, finalSize), kStatusSuccess);
            ASSERT_EQ(finalSize, data.size());
            EXPECT_EQ(out.substr(0, finalSize), data);
        }
    }
}

TEST(Lznt1Ntdll, WeDecodeEveryStreamNtdllMakes) {
    ULONG workspaceSize = 0;
    ULONG fragmentSize = 0;
    ASSERT_EQ(RtlGetCompressionWorkSpaceSize(0x0102, &workspaceSize, &fragmentSize), kStatusSuccess);
    std::vector<UCHAR> workspace(workspaceSize + 1);
    for (std::string data : Inputs()) {
        for (const USHORT engine : {USHORT{0x0002}, USHORT{0x0102}}) {
            SCOPED_TRACE(testing::Message() << "size " << data.size() << " engine " << engine);
            std::string stream(Lznt1EncodeBound(data.size()) + 64, '\0');
            ULONG streamSize = 0;
            ASSERT_EQ(RtlCompressBuffer(engine, Bytes(data), ULONG(data.size()), Bytes(stream),
                                        ULONG(stream.size()), 4096, &streamSize, workspace.data()),
                      kStatusSuccess);
            std::string out(data.size(), '\0');
            const Lznt1Result result = Lznt1DecodeBuffer(Bytes(stream), streamSize,
                                                         reinterpret_cast<uint8_t*>(out.data()), out.size());
            EXPECT_EQ(result.status, Lznt1Status::Ok);
            EXPECT_EQ(out, data);
            std::printf("size %zu: ntdll engine %04x %lu bytes, ours greedy %zu, optimal %zu\n", data.size(),
                        engine, streamSize, EncodeWithOwnCodec(data, Lznt1Parse::Greedy).size(),
                        EncodeWithOwnCodec(data, Lznt1Parse::Optimal).size());
        }
    }
}

TEST(Lznt1Ntdll, WrappersRoundTripAndKeepTheirRules) {
    const std::string data = StructuredBytes(30000, 4);
    // The packer's own encoder, as on the host; a target of the codec's bound fits any input.
    std::string stream(Lznt1EncodeBound(data.size()), '\0');
    const int32_t streamSize = Lznt1Compress(data, stream);
    ASSERT_GT(streamSize, 0);
    std::string back;
    EXPECT_EQ(Lznt1Decompress(stream, back), 30000);
    EXPECT_EQ(back, data);

    // Windows' service gives nothing when the cut falls inside a back-reference (Wine's stores chunks).
    back.assign(100, '\0');
    const int32_t cut = Lznt1Decompress(stream, back);
    EXPECT_TRUE(cut == 100 || (cut == 0 && !RunsUnderWine()));
    EXPECT_EQ(back, data.substr(0, back.size()));

    back.clear();
    EXPECT_EQ(Lznt1Decompress("", back), 0);
    EXPECT_TRUE(back.empty());

    const std::string noise = RandomBytes(10000, 5);
    std::string packed;
    EXPECT_EQ(Lznt1Compress(noise, packed), 0);
    packed.assign(Lznt1EncodeBound(noise.size()), '\0');
    ASSERT_GT(Lznt1Compress(noise, packed), 0);
    back.clear();
    EXPECT_EQ(Lznt1Decompress(packed, back), 10000);
    EXPECT_EQ(back, noise);
}

TEST(Lznt1Ntdll, MalformedAndCutStreamsLikeTheHostService) {
    const std::string data = StructuredBytes(6000, 6);
    const std::string stream = EncodeWithOwnCodec(data, Lznt1Parse::Optimal);
    std::string out(data.size(), '\0');
    ULONG finalSize = 0;

    // Windows' statuses, as the host service gives them: "WineWine" cut in its last back-reference, and an
    // empty stream, are malformed (Wine: the bytes that fit); cut in literals, or a stray byte after, not.
    const std::string wineWine("\x06\xB0\x10Wine\x01\x30", 9);
    const NtStatus inMatch = NtdllDecode(wineWine, out = std::string(7, '\0'), finalSize);
    EXPECT_TRUE(inMatch == kStatusBadCompressionBuffer || (RunsUnderWine() && inMatch == kStatusSuccess));
    EXPECT_EQ(NtdllDecode(wineWine, out = std::string(3, '\0'), finalSize), kStatusSuccess);
    const NtStatus garbage =
        NtdllDecode(stream + "\x05\xB0\x01", out = std::string(data.size(), '\0'), finalSize);
    EXPECT_EQ(garbage, kStatusBadCompressionBuffer);
    EXPECT_EQ(NtdllDecode("", out, finalSize), kStatusBadCompressionBuffer);
    EXPECT_EQ(NtdllDecode(stream + "\x07", out, finalSize), kStatusSuccess);
    const NtStatus before = NtdllDecode(std::string("\x02\xB0\x01\x00\x00", 5), out, finalSize);
    EXPECT_EQ(before, kStatusBadCompressionBuffer);
    // The crafted stream that the host codec test accepts is a valid stream for the platform too.
    EXPECT_EQ(NtdllDecode(kEmptyFlagByteStream, out, finalSize), kStatusSuccess);
    EXPECT_EQ(out.substr(0, finalSize), kEmptyFlagByteText);

    // The wrappers' mend: a malformed stream yields nothing, as in the host build.
    std::string target;
    EXPECT_EQ(Lznt1Decompress(stream + "\x05\xB0\x01", target), 0);
    EXPECT_TRUE(target.empty());
}

} // namespace
