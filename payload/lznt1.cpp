#include "payload/lznt1.h"

#include <vector>

#include "payload/compression_service.h"

namespace {

constexpr USHORT kFormatAndEngine = COMPRESSION_FORMAT_LZNT1 | COMPRESSION_ENGINE_MAXIMUM;
constexpr ULONG kChunkSizeArgument = 8192;

PUCHAR Bytes(std::string& text) { return reinterpret_cast<PUCHAR>(text.data()); }

// Keeps the first `finalSize` bytes; a size beyond the length leaves the target whole.
int32_t CutTo(std::string& target, ULONG finalSize) {
    if (finalSize < target.size()) target.resize(finalSize);
    return static_cast<int32_t>(target.size() < finalSize ? target.size() : finalSize);
}

} // namespace

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
    return CutTo(target, finalSize);
}

int32_t Lznt1Compress(std::string source, std::string& target) {
    ULONG workspaceSize = 0;
    ULONG fragmentWorkspaceSize = 0;
    RtlGetCompressionWorkSpaceSize(kFormatAndEngine, &workspaceSize, &fragmentWorkspaceSize);
    std::vector<UCHAR> workspace(workspaceSize);
    if (target.empty()) target.assign(source.size(), '\0');
    ULONG finalSize = 0;
    RtlCompressBuffer(kFormatAndEngine, Bytes(source), ULONG(source.size()), Bytes(target),
                      ULONG(target.size()), kChunkSizeArgument, &finalSize, workspace.data());
    return CutTo(target, finalSize);
}
