// Any byte string, encoded with either parse, must decode to itself; a stream must never fit into a
// buffer one byte shorter than itself, and the wrappers must round-trip it too.
//
// The first input byte picks what one run checks, so that every run costs one encoding or two and
// the fuzzer gets through many inputs: bit 0 the parse, bits 1-2 the extra check.
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "payload/lznt1_compress.h"
#include "payload/lznt1_decoder.h"
#include "payload/lznt1_decompress.h"
#include "payload/lznt1_encoder.h"

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

std::vector<uint8_t> Encode(const uint8_t* data, size_t size, Lznt1Parse parse) {
    std::vector<uint8_t> stream(Lznt1EncodeBound(size));
    const Lznt1Result encoded = Lznt1EncodeBuffer(data, size, stream.data(), stream.size(), parse);
    Check(encoded.status == Lznt1Status::Ok);
    Check(encoded.size <= stream.size());
    stream.resize(encoded.size);
    return stream;
}

void CheckDecodesTo(const std::vector<uint8_t>& stream, const uint8_t* data, size_t size) {
    std::vector<uint8_t> decoded(size);
    const Lznt1Result result =
        Lznt1DecodeBuffer(stream.data(), stream.size(), decoded.data(), decoded.size());
    Check(result.status == Lznt1Status::Ok);
    Check(result.size == size);
    Check(size == 0 || std::memcmp(decoded.data(), data, size) == 0);
}

void CheckTightBufferRefused(const uint8_t* data, size_t size, Lznt1Parse parse, size_t streamSize) {
    if (streamSize == 0) return;
    std::vector<uint8_t> tight(streamSize - 1);
    const Lznt1Result cramped = Lznt1EncodeBuffer(data, size, tight.data(), tight.size(), parse);
    Check(cramped.status == Lznt1Status::ShortOutput && cramped.size == 0);
}

void CheckWrappersRoundTrip(const uint8_t* data, size_t size) {
    const std::string source(data, data + size);
    std::string packed(Lznt1EncodeBound(size), '\0');
    const int32_t packedSize = Lznt1Compress(source, packed);
    Check(static_cast<size_t>(packedSize) == packed.size());
    Check(size == 0 || packedSize > 0);
    if (size == 0) return;
    std::string unpacked(size, '\0');
    Check(Lznt1Decompress(packed, unpacked) == static_cast<int32_t>(size));
    Check(unpacked == source);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* input, size_t inputSize) {
    if (inputSize == 0) return 0;
    const unsigned choice = input[0];
    const uint8_t* data = input + 1;
    const size_t size = inputSize - 1;
    const Lznt1Parse parse = (choice & 1) != 0 ? Lznt1Parse::Optimal : Lznt1Parse::Greedy;

    const std::vector<uint8_t> stream = Encode(data, size, parse);
    CheckDecodesTo(stream, data, size);
    switch (choice >> 1 & 3) {
    case 1:
        CheckTightBufferRefused(data, size, parse, stream.size());
        break;
    case 2:
        CheckWrappersRoundTrip(data, size);
        break;
    default:
        break;
    }
    return 0;
}
