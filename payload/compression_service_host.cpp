// The compression service of the host build, served by the portable codec.
#include "payload/compression_service.h"
#include "payload/lznt1_decoder.h"
#include "payload/lznt1_encoder.h"

namespace {

constexpr USHORT kFormatMask = 0x00FF;
constexpr USHORT kEngineMask = 0xFF00;
// The codec keeps its scratch space on the stack; callers still get a non-zero size to allocate.
constexpr ULONG kWorkspaceSize = 16;

bool IsLznt1(USHORT formatAndEngine) { return (formatAndEngine & kFormatMask) == COMPRESSION_FORMAT_LZNT1; }

bool BufferOk(const void* buffer, ULONG size) { return buffer != nullptr || size == 0; }

} // namespace

extern "C" NtStatus NTAPI RtlDecompressBuffer(USHORT format, PUCHAR out, ULONG outCapacity, PUCHAR in,
                                              ULONG inSize, PULONG finalSize) {
    if (!IsLznt1(format)) return kStatusNotSupported;
    if (!BufferOk(out, outCapacity) || !BufferOk(in, inSize) || finalSize == nullptr)
        return kStatusInvalidParameter;
    // Windows' answers: an empty stream is malformed, and so is one whose output the capacity cuts
    // inside a back-reference (Wine's service returns the bytes that fit there); cut anywhere else, the
    // stream yields the bytes that fit.
    const Lznt1Result result = Lznt1DecodeBuffer(in, inSize, out, outCapacity);
    if (inSize == 0 || result.status == Lznt1Status::BadData || result.cutInMatch)
        return kStatusBadCompressionBuffer;
    *finalSize = static_cast<ULONG>(result.size);
    return kStatusSuccess;
}

extern "C" NtStatus NTAPI RtlCompressBuffer(USHORT formatAndEngine, PUCHAR in, ULONG inSize, PUCHAR out,
                                            ULONG outCapacity, ULONG /*chunkSize: LZNT1 chunks are 4096*/,
                                            PULONG finalSize, PVOID /*workspace*/) {
    if (!IsLznt1(formatAndEngine)) return kStatusNotSupported;
    if (!BufferOk(out, outCapacity) || !BufferOk(in, inSize) || finalSize == nullptr)
        return kStatusInvalidParameter;
    const bool maximum = (formatAndEngine & kEngineMask) == COMPRESSION_ENGINE_MAXIMUM;
    const Lznt1Result result =
        Lznt1EncodeBuffer(in, inSize, out, outCapacity, maximum ? Lznt1Parse::Optimal : Lznt1Parse::Greedy);
    if (result.status != Lznt1Status::Ok) {
        *finalSize = 0;
        return kStatusBufferTooSmall;
    }
    *finalSize = static_cast<ULONG>(result.size);
    return kStatusSuccess;
}

extern "C" NtStatus NTAPI RtlGetCompressionWorkSpaceSize(USHORT formatAndEngine, PULONG bufferWorkspaceSize,
                                                         PULONG fragmentWorkspaceSize) {
    if (!IsLznt1(formatAndEngine)) return kStatusNotSupported;
    if (bufferWorkspaceSize != nullptr) *bufferWorkspaceSize = kWorkspaceSize;
    if (fragmentWorkspaceSize != nullptr) *fragmentWorkspaceSize = 0;
    return kStatusSuccess;
}
