#include "payload/payload_pack.h"

#include <algorithm>
#include <limits>

#include "payload/crc32.h"
#include "payload/lznt1.h"
#include "payload/lznt1_compress.h"
#include "payload/lznt1_decoder.h"
#include "payload/lznt1_encoder.h"

namespace {

// Stores chunks of `stream` uncompressed, first to last, until the stream is long enough for the
// reader's 12.5-fold capacity to hold all of `file`. Very repetitive files otherwise pack into streams
// that the launcher cannot read back. A stream that does not walk chunk by chunk to its end over the
// file is returned as it is.
std::string StoreChunksUntilReadable(std::string stream, std::string_view file) {
    const auto* streamBytes = reinterpret_cast<const uint8_t*>(stream.data());
    const auto* fileBytes = reinterpret_cast<const uint8_t*>(file.data());
    std::string out;
    size_t in = 0;
    size_t fileOffset = 0;
    while (in < stream.size()) {
        const Lznt1Chunk chunk = Lznt1ChunkAt(streamBytes, stream.size(), in);
        if (chunk.size == 0 || fileOffset >= file.size()) return stream;
        const size_t rawSize = std::min(kLznt1ChunkSize, file.size() - fileOffset);
        const size_t restOfStream = stream.size() - in - chunk.size;
        const bool longEnough =
            Lznt1DefaultDecompressCapacity(out.size() + chunk.size + restOfStream) >= file.size();
        if (chunk.compressed && !longEnough) {
            const size_t at = out.size();
            out.resize(at + Lznt1StoredChunkSize(rawSize));
            Lznt1WriteStoredChunk(fileBytes + fileOffset, rawSize,
                                  reinterpret_cast<uint8_t*>(out.data() + at));
        } else {
            out.append(stream, in, chunk.size);
        }
        in += chunk.size;
        fileOffset += rawSize;
    }
    return out;
}

} // namespace

std::string MakeCompressedPayload(std::string_view fileBytes, const FindDataRecord& record) {
    if (fileBytes.empty() || RecordedFileSize(record) != fileBytes.size()) return {};
    // The codec's bound: every chunk stored.
    std::string stream(Lznt1EncodeBound(fileBytes.size()), '\0');
    if (Lznt1Compress(std::string(fileBytes), stream) <= 0) return {};
    stream = StoreChunksUntilReadable(std::move(stream), fileBytes);
    std::string decoded;
    if (!DecodeCompressedBody(stream, fileBytes.size(), decoded) || decoded != fileBytes) return {};
    FindDataRecord checked = record;
    checked.dwReserved0 = Crc32(fileBytes);
    checked.dwReserved1 = kPayloadChecksumMarker;
    return stream + EncodePayloadTrailer(checked);
}

std::optional<uint64_t> FileTimeFromPosixTime(int64_t seconds, uint32_t nanoseconds) {
    constexpr uint64_t kLast = std::numeric_limits<uint64_t>::max();
    if (seconds < -kSecondsFrom1601To1970 || nanoseconds >= 1'000'000'000) return std::nullopt;
    // In unsigned arithmetic, so that no int64_t seconds overflow on the way.
    const uint64_t since1601 = static_cast<uint64_t>(seconds) + static_cast<uint64_t>(kSecondsFrom1601To1970);
    const uint64_t steps = nanoseconds / 100;
    if (since1601 > kLast / kFileTimeTicksPerSecond || since1601 * kFileTimeTicksPerSecond > kLast - steps)
        return std::nullopt;
    return since1601 * kFileTimeTicksPerSecond + steps;
}
