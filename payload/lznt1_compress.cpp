#include "payload/lznt1_compress.h"

#include <vector>

#include "payload/compression_service.h"
#include "payload/lznt1.h"

namespace {

constexpr USHORT kFormatAndEngine = COMPRESSION_FORMAT_LZNT1 | COMPRESSION_ENGINE_MAXIMUM;
constexpr ULONG kChunkSizeArgument = 8192;

} // namespace

int32_t Lznt1Compress(std::string source, std::string& target) {
    ULONG workspaceSize = 0;
    ULONG fragmentWorkspaceSize = 0;
    RtlGetCompressionWorkSpaceSize(kFormatAndEngine, &workspaceSize, &fragmentWorkspaceSize);
    std::vector<UCHAR> workspace(workspaceSize);
    if (target.empty()) target.assign(source.size(), '\0');
    ULONG finalSize = 0;
    RtlCompressBuffer(kFormatAndEngine, reinterpret_cast<PUCHAR>(source.data()), ULONG(source.size()),
                      reinterpret_cast<PUCHAR>(target.data()), ULONG(target.size()), kChunkSizeArgument,
                      &finalSize, workspace.data());
    return Lznt1KeepProduced(target, finalSize);
}
