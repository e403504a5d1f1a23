#include "payload/payload_pack.h"

#include <algorithm>
#include <limits>
#include <utility>

#include "payload/crc32.h"
#include "payload/lznt1_compress.h"
#include "payload/lznt1_decoder.h"
#include "payload/lznt1_decompress.h"
#include "payload/lznt1_encoder.h"

namespace {

// The chunk for data[0..size) in the project's encoder's tokens.
std::string EncodedChunk(const uint8_t* data, size_t size) {
    std::string chunk(Lznt1EncodeBound(size), '\0');
    const Lznt1Result result = Lznt1EncodeBuffer(data, size, reinterpret_cast<uint8_t*>(chunk.data()),
                                                 chunk.size(), Lznt1Parse::Optimal);
    chunk.resize(result.status == Lznt1Status::Ok ? result.size : 0);
    return chunk;
}

std::string PlainChunk(const uint8_t* data, size_t size) {
    std::string chunk(Lznt1PlainChunkSize(size), '\0');
    if (!chunk.empty()) Lznt1WritePlainChunk(data, size, reinterpret_cast<uint8_t*>(chunk.data()));
    return chunk;
}

// Rewrites the stream of `file` chunk by chunk, first to last, so that every listed Windows reads it
// back whole:
// - Vista's decoder refuses a stored chunk of fewer than 4096 bytes (unless the output ends with it),
//   which other compressors, the platform's too, end a stream with: such a chunk is written in its
//   tokens wherever they fit a chunk;
// - very repetitive files pack into streams too short for the reader's 12.5-fold capacity: chunks are
//   written plain (stored, or in literals when short) until the stream is long enough.
// A stream that does not walk chunk by chunk over the file is returned as it is (the read-back check
// refuses it).
std::string ReadableByEverySystem(const std::string& stream, std::string_view file) {
    const auto* streamBytes = reinterpret_cast<const uint8_t*>(stream.data());
    const auto* fileBytes = reinterpret_cast<const uint8_t*>(file.data());
    std::string out;
    size_t in = 0;
    size_t fileOffset = 0;
    while (in < stream.size()) {
        const Lznt1Chunk chunk = Lznt1ChunkAt(streamBytes, stream.size(), in);
        if (chunk.size == 0 || fileOffset >= file.size()) return stream;
        const uint8_t* data = fileBytes + fileOffset;
        const size_t rawSize = std::min(kLznt1ChunkSize, file.size() - fileOffset);
        std::string kept = stream.substr(in, chunk.size);
        bool compressed = chunk.compressed;
        if (!compressed && rawSize < kLznt1ChunkSize) {
            std::string tokens = EncodedChunk(data, rawSize);
            compressed =
                Lznt1ChunkAt(reinterpret_cast<const uint8_t*>(tokens.data()), tokens.size(), 0).compressed;
            if (compressed) kept = std::move(tokens);
        }
        const size_t restOfStream = stream.size() - in - chunk.size;
        const bool longEnough =
            Lznt1DefaultDecompressCapacity(out.size() + kept.size() + restOfStream) >= file.size();
        std::string plain = compressed && !longEnough ? PlainChunk(data, rawSize) : std::string();
        out += plain.empty() ? kept : plain;
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
    stream = ReadableByEverySystem(stream, fileBytes);
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
