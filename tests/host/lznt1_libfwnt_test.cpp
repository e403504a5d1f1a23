// Cross-check with an LZNT1 decoder that nobody here wrote: libfwnt must decode every stream our
// encoder makes to the very bytes it was made from.
#include <gtest/gtest.h>
#include <libfwnt.h>
#include <vector>

#include "payload/lznt1_compress.h"
#include "payload/lznt1_decompress.h"
#include "payload/lznt1_encoder.h"
#include "tests/host/lznt1_samples.h"

namespace {

// libfwnt's answer for a stream, or "<error>".
std::string FwntDecode(const std::string& stream, size_t expectedSize) {
    std::vector<uint8_t> out(expectedSize + 4096);
    size_t size = out.size();
    libfwnt_error_t* error = nullptr;
    const int ok = libfwnt_lznt1_decompress(reinterpret_cast<const uint8_t*>(stream.data()), stream.size(),
                                            out.data(), &size, &error);
    if (error != nullptr) libfwnt_error_free(&error);
    if (ok != 1) return "<error>";
    return std::string(out.begin(), out.begin() + static_cast<std::ptrdiff_t>(size));
}

std::vector<std::string> Inputs() {
    std::vector<std::string> inputs = {kExampleText, "abcdefghabcdefgh", std::string(8, 'a'),
                                       std::string(24, 'a'), std::string(100000, '\0')};
    for (const size_t size : {1, 2, 3, 4095, 4096, 4097, 8192, 8193, 30000}) {
        inputs.push_back(RandomBytes(size, static_cast<uint32_t>(size)));
        inputs.push_back(StructuredBytes(size, static_cast<uint32_t>(size) + 1));
    }
    for (uint32_t seed = 0; seed < 60; ++seed) inputs.push_back(StructuredBytes(1 + seed * 523, seed));
    // Token counts of every residue modulo 8 in the last flag group.
    for (size_t length = 1; length <= 24; ++length)
        inputs.push_back(std::string("abcdefghijklmnopqrstuvwx", length));
    return inputs;
}

TEST(Lznt1Libfwnt, DecodesEveryStreamWeMake) {
    for (const std::string& data : Inputs()) {
        for (const Lznt1Parse parse : {Lznt1Parse::Greedy, Lznt1Parse::Optimal}) {
            SCOPED_TRACE(testing::Message() << "size " << data.size() << " parse " << int(parse));
            EXPECT_EQ(FwntDecode(EncodeWithOwnCodec(data, parse), data.size()), data);
        }
    }
}

TEST(Lznt1Libfwnt, DecodesTheWrapperOutput) {
    const std::string data = StructuredBytes(50000, 77);
    std::string stream(Lznt1EncodeBound(data.size()), '\0');
    ASSERT_GT(Lznt1Compress(data, stream), 0);
    EXPECT_EQ(FwntDecode(stream, data.size()), data);
}

TEST(Lznt1Libfwnt, AgreesOnTheWorkedExample) { EXPECT_EQ(FwntDecode(kExampleStream, 142), kExampleText); }

} // namespace
