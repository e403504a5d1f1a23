// Any byte string, encoded with both parses, must decode to itself; a stream must never fit into a
// buffer one byte shorter than itself, and the wrappers must round-trip it too.
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "payload/lznt1.h"
#include "payload/lznt1_codec.h"

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

void RoundTrip(const uint8_t* data, size_t size, Lznt1Parse parse) {
    std::vector<uint8_t> stream(Lznt1EncodeBound(size));
    const Lznt1Result encoded = Lznt1EncodeBuffer(data, size, stream.data(), stream.size(), parse);
    Check(encoded.status == Lznt1Status::Ok);
    Check(encoded.size <= stream.size());
    stream.resize(encoded.size);

    std::vector<uint8_t> decoded(size);
    const Lznt1Result result =
        Lznt1DecodeBuffer(stream.data(), stream.size(), decoded.data(), decoded.size());
    Check(result.status == Lznt1Status::Ok);
    Check(result.size == size);
    Check(size == 0 || std::memcmp(decoded.data(), data, size) == 0);

    // Re-encoding costs as much again: check the tight buffer on a share of the inputs only.
    if (encoded.size > 0 && size % 4 == 0) {
        std::vector<uint8_t> tight(encoded.size - 1);
        const Lznt1Result cramped = Lznt1EncodeBuffer(data, size, tight.data(), tight.size(), parse);
        Check(cramped.status == Lznt1Status::ShortOutput && cramped.size == 0);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    RoundTrip(data, size, Lznt1Parse::Greedy);
    RoundTrip(data, size, Lznt1Parse::Optimal);

    const std::string source(data, data + size);
    std::string packed(Lznt1EncodeBound(size), '\0');
    const int32_t packedSize = Lznt1Compress(source, packed);
    Check(static_cast<size_t>(packedSize) == packed.size());
    Check(size == 0 || packedSize > 0);
    std::string unpacked(size, '\0');
    if (size != 0) {
        Check(Lznt1Decompress(packed, unpacked) == static_cast<int32_t>(size));
        Check(unpacked == source);
    }
    return 0;
}
