// Any byte string is decoded with a capacity taken from its first bytes, into a buffer of exactly
// that size (so the sanitizers see every stray access). What fits must be a prefix of what a large
// buffer receives, and a stream that fits must decode the same either way.
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "payload/lznt1_decoder.h"
#include "payload/lznt1_decompress.h"

namespace {

constexpr size_t kLargeCapacity = 1 << 16;

void Check(bool condition) {
    if (!condition) std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    // Small capacities are the interesting ones: they cut chunks, tokens and padding.
    const size_t selector = data[0] | data[1] << 8;
    const size_t capacity = selector < 0xF000 ? selector % 9000 : selector * 4;
    const uint8_t* stream = data + 2;
    const size_t streamSize = size - 2;

    static std::vector<uint8_t> large(kLargeCapacity);
    const Lznt1Result whole = Lznt1DecodeBuffer(stream, streamSize, large.data(), large.size());
    Check(whole.size <= large.size());

    std::vector<uint8_t> small(capacity);
    const Lznt1Result cut = Lznt1DecodeBuffer(stream, streamSize, small.data(), small.size());
    Check(cut.size <= capacity);
    Check(cut.size <= whole.size || whole.status != Lznt1Status::Ok);
    const size_t common = std::min(cut.size, whole.size);
    Check(common == 0 || std::memcmp(small.data(), large.data(), common) == 0);
    if (whole.status == Lznt1Status::Ok && whole.size <= capacity) {
        Check(cut.status == Lznt1Status::Ok);
        Check(cut.size == whole.size);
    }
    if (cut.status == Lznt1Status::ShortOutput) Check(cut.size == capacity);

    // The wrapper: the 12.5 rule or the given capacity, malformed streams give nothing.
    std::string target(capacity % 2 == 0 ? 0 : capacity, '\0');
    const size_t wrapperCapacity =
        target.empty() ? Lznt1DefaultDecompressCapacity(streamSize) : target.size();
    const int32_t produced = Lznt1Decompress(std::string(stream, stream + streamSize), target);
    Check(produced >= 0 && static_cast<size_t>(produced) == target.size());
    Check(target.size() <= wrapperCapacity);
    if (whole.status == Lznt1Status::BadData && whole.size < wrapperCapacity) Check(produced == 0);
    return 0;
}
