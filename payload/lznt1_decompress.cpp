#include "payload/lznt1_decompress.h"

#include "payload/compression_service.h"

namespace {

PUCHAR Bytes(std::string& text) { return reinterpret_cast<PUCHAR>(text.data()); }

} // namespace

int32_t Lznt1KeepProduced(std::string& target, uint32_t finalSize) {
    if (finalSize < target.size()) target.resize(finalSize);
    return static_cast<int32_t>(target.size() < finalSize ? target.size() : finalSize);
}

size_t Lznt1DefaultDecompressCapacity(size_t sourceSize) {
    const size_t twice = 25 * sourceSize; // twice the exact capacity 12.5 x sourceSize
    const size_t lower = twice / 2;
    if (twice % 2 == 0) return lower;
    return lower % 2 == 0 ? lower : lower + 1;
}

int32_t Lznt1Decompress(std::string source, std::string& target) {
    if (target.empty()) target.assign(Lznt1DefaultDecompressCapacity(source.size()), '\0');
    ULONG finalSize = 0;
    const NtStatus status = RtlDecompressBuffer(COMPRESSION_FORMAT_LZNT1, Bytes(target), ULONG(target.size()),
                                                Bytes(source), ULONG(source.size()), &finalSize);
    if (status == kStatusBadCompressionBuffer) finalSize = 0;
    return Lznt1KeepProduced(target, finalSize);
}
