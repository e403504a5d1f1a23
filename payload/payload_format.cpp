#include "payload/payload_format.h"

#include <algorithm>
#include <utility>

#include "base/byte_order.h"
#include "base/text_ops.h"
#include "payload/crc32.h"
#include "payload/lznt1_decoder.h"
#include "payload/lznt1_decompress.h"

namespace {

constexpr size_t kOffsetAttributes = 0;
constexpr size_t kOffsetCreation = 4;
constexpr size_t kOffsetLastAccess = 12;
constexpr size_t kOffsetLastWrite = 20;
constexpr size_t kOffsetSizeHigh = 28;
constexpr size_t kOffsetSizeLow = 32;
constexpr size_t kOffsetReserved0 = 36;
constexpr size_t kOffsetReserved1 = 40;
constexpr size_t kOffsetFileName = 44;
constexpr size_t kOffsetAlternateFileName = kOffsetFileName + kFileNameBytes;

void PutName(std::string& out, size_t offset, std::string_view name, size_t field) {
    const std::string_view kept = name.substr(0, std::min(field, name.size()));
    std::copy(kept.begin(), kept.end(), out.begin() + static_cast<std::ptrdiff_t>(offset));
}

std::string GetName(std::string_view in, size_t offset, size_t field) {
    const std::string_view raw = in.substr(offset, field);
    return std::string(raw.substr(0, raw.find('\0')));
}

bool EndsWith(std::string_view text, std::string_view ending) {
    return text.size() >= ending.size() && text.substr(text.size() - ending.size()) == ending;
}

bool HasPayloadEnding(std::string_view testName) {
    return EndsWith(testName, "WFD") || EndsWith(testName, "WFD_NTC");
}

PayloadFault ReadSplitData(const ResourceStore& store, std::string_view resourceName, uint64_t recordedSize,
                           std::string& fileBytes) {
    const std::optional<std::string_view> data = store.Find(*SplitDataResourceName(resourceName));
    if (!data) return PayloadFault::SplitDataNotFound;
    if (data->size() != recordedSize) return PayloadFault::SplitDataSizeMismatch;
    fileBytes.assign(data->begin(), data->end());
    return PayloadFault::None;
}

PayloadFault ReadBody(PayloadVariant variant, std::string_view body, uint64_t recordedSize,
                      std::string& fileBytes) {
    if (variant == PayloadVariant::Compressed) {
        return DecodeCompressedBody(body, recordedSize, fileBytes) ? PayloadFault::None
                                                                   : PayloadFault::DecodedSizeMismatch;
    }
    if (body.size() != recordedSize) return PayloadFault::ImageSizeMismatch;
    fileBytes.assign(body.begin(), body.end());
    return PayloadFault::None;
}

} // namespace

uint64_t RecordedFileSize(const FindDataRecord& record) {
    return static_cast<uint64_t>(record.nFileSizeHigh) << 32 | record.nFileSizeLow;
}

bool RecordsChecksum(const FindDataRecord& record) { return record.dwReserved1 == kPayloadChecksumMarker; }

bool ChecksumHolds(const FindDataRecord& record, std::string_view fileBytes) {
    if (RecordsChecksum(record)) return Crc32(fileBytes) == record.dwReserved0;
    // A damaged marker must not switch the check off.
    return record.dwReserved0 == 0 && record.dwReserved1 == 0;
}

std::string EncodeFindDataRecord(const FindDataRecord& record) {
    std::string out(kFindDataRecordSize, '\0');
    PutLe32(out, kOffsetAttributes, record.dwFileAttributes);
    PutLe64(out, kOffsetCreation, record.ftCreationTime);
    PutLe64(out, kOffsetLastAccess, record.ftLastAccessTime);
    PutLe64(out, kOffsetLastWrite, record.ftLastWriteTime);
    PutLe32(out, kOffsetSizeHigh, record.nFileSizeHigh);
    PutLe32(out, kOffsetSizeLow, record.nFileSizeLow);
    PutLe32(out, kOffsetReserved0, record.dwReserved0);
    PutLe32(out, kOffsetReserved1, record.dwReserved1);
    PutName(out, kOffsetFileName, record.cFileName, kFileNameBytes);
    PutName(out, kOffsetAlternateFileName, record.cAlternateFileName, kAlternateFileNameBytes);
    return out;
}

std::optional<FindDataRecord> DecodeFindDataRecord(std::string_view bytes) {
    if (bytes.size() != kFindDataRecordSize) return std::nullopt;
    FindDataRecord record;
    record.dwFileAttributes = GetLe32(bytes, kOffsetAttributes);
    record.ftCreationTime = GetLe64(bytes, kOffsetCreation);
    record.ftLastAccessTime = GetLe64(bytes, kOffsetLastAccess);
    record.ftLastWriteTime = GetLe64(bytes, kOffsetLastWrite);
    record.nFileSizeHigh = GetLe32(bytes, kOffsetSizeHigh);
    record.nFileSizeLow = GetLe32(bytes, kOffsetSizeLow);
    record.dwReserved0 = GetLe32(bytes, kOffsetReserved0);
    record.dwReserved1 = GetLe32(bytes, kOffsetReserved1);
    record.cFileName = GetName(bytes, kOffsetFileName, kFileNameBytes);
    record.cAlternateFileName = GetName(bytes, kOffsetAlternateFileName, kAlternateFileNameBytes);
    return record;
}

std::string EncodePayloadTrailer(const FindDataRecord& record) {
    return std::string(kPayloadTag) + EncodeFindDataRecord(record);
}

std::optional<PayloadTrailer> DecodePayloadTrailer(std::string_view bytes) {
    if (bytes.size() != kPayloadTrailerSize) return std::nullopt;
    return PayloadTrailer{std::string(bytes.substr(0, kPayloadTag.size())),
                          *DecodeFindDataRecord(bytes.substr(kPayloadTag.size()))};
}

std::string PayloadTestName(std::string_view resourceName) {
    return AsciiUpperCase(TrimTrailingNulAndBlanks(resourceName));
}

std::optional<PayloadVariant> ClassifyPayload(std::string_view resourceName, size_t resourceSize) {
    const std::string testName = PayloadTestName(resourceName);
    if (!HasPayloadEnding(testName) || resourceSize < kPayloadTrailerSize) return std::nullopt;
    if (resourceSize == kPayloadTrailerSize) {
        if (!SplitDataResourceName(resourceName)) return std::nullopt;
        return PayloadVariant::Split;
    }
    return EndsWith(testName, "WFD_NTC") ? PayloadVariant::Compressed : PayloadVariant::Plain;
}

std::optional<std::string> SplitDataResourceName(std::string_view resourceName) {
    const std::string_view trimmed = TrimTrailingNulAndBlanks(resourceName);
    const std::string upper = PayloadTestName(trimmed);
    if (EndsWith(upper, "BIN_WFD")) return std::string(trimmed.substr(0, trimmed.size() - 4));
    if (EndsWith(upper, "BINWFD")) return std::string(trimmed.substr(0, trimmed.size() - 3));
    return std::nullopt;
}

std::string_view PayloadFaultText(PayloadFault fault) {
    switch (fault) {
    case PayloadFault::None:
        return "OK";
    case PayloadFault::NoPayloadEnding:
        return "name ends neither in WFD nor in WFD_NTC";
    case PayloadFault::NotFound:
        return "no RT_RCDATA resource of that name";
    case PayloadFault::TooSmall:
        return "smaller than the 322-byte trailer";
    case PayloadFault::WrongTag:
        return "trailer tag is not \"WFD \"";
    case PayloadFault::SplitNameWithoutBin:
        return "322 bytes, but the name ends neither in BIN_WFD nor in BINWFD";
    case PayloadFault::SplitDataNotFound:
        return "the second resource of the split payload is missing";
    case PayloadFault::SplitDataSizeMismatch:
        return "the second resource's size differs from the recorded size";
    case PayloadFault::DecodedSizeMismatch:
        return "the stream does not decode to the recorded size";
    case PayloadFault::ImageSizeMismatch:
        return "the stored size is not the recorded size plus 322";
    case PayloadFault::ChecksumMismatch:
        return "the file bytes do not match the recorded CRC-32, or the reserved fields hold no valid pair";
    }
    return "unknown fault";
}

PayloadFault InspectPayload(const ResourceStore& store, std::string_view resourceName, PayloadImage& image,
                            PayloadFacts& facts) {
    facts = PayloadFacts{};
    if (!HasPayloadEnding(PayloadTestName(resourceName))) return PayloadFault::NoPayloadEnding;
    const std::optional<std::string_view> found = store.Find(resourceName);
    if (!found) return PayloadFault::NotFound;
    facts.storedSize = found->size();
    // The copy keeps the result independent of the store's memory.
    const std::string bytes(*found);
    if (bytes.size() < kPayloadTrailerSize) return PayloadFault::TooSmall;
    const std::string_view body = std::string_view(bytes).substr(0, bytes.size() - kPayloadTrailerSize);
    const PayloadTrailer trailer = *DecodePayloadTrailer(std::string_view(bytes).substr(body.size()));
    if (trailer.tag != kPayloadTag) return PayloadFault::WrongTag;
    facts.record = trailer.record;
    // With the ending and the size checked, only a lone trailer under a name without BIN has no shape.
    facts.variant = ClassifyPayload(resourceName, bytes.size());
    if (!facts.variant) return PayloadFault::SplitNameWithoutBin;
    PayloadImage result{{}, trailer.record};
    const uint64_t recordedSize = RecordedFileSize(trailer.record);
    PayloadFault fault = *facts.variant == PayloadVariant::Split
                             ? ReadSplitData(store, resourceName, recordedSize, result.fileBytes)
                             : ReadBody(*facts.variant, body, recordedSize, result.fileBytes);
    if (fault == PayloadFault::None && !ChecksumHolds(result.record, result.fileBytes)) {
        fault = PayloadFault::ChecksumMismatch;
    }
    if (fault == PayloadFault::None) image = std::move(result);
    return fault;
}

bool DecodeCompressedBody(std::string_view stream, uint64_t recordedSize, std::string& decoded) {
    // One byte beyond the recorded size tells "exactly" from "more": decoding to the default capacity
    // alone would accept a stream whose real output is longer but was cut off at the capacity. Vista's
    // decoder refuses a stored chunk of fewer than 4096 bytes unless the output ends with it; a stream
    // that ends in one tells by its chunks alone how much it holds, and is decoded to exactly that.
    const size_t capacity = Lznt1DefaultDecompressCapacity(stream.size());
    if (recordedSize > capacity) return false;
    const bool endsStored = Lznt1OutputEndingStored(reinterpret_cast<const uint8_t*>(stream.data()),
                                                    stream.size()) == recordedSize;
    decoded.assign(static_cast<size_t>(recordedSize) + (endsStored ? 0 : 1), '\0');
    const int32_t produced = Lznt1Decompress(std::string(stream), decoded);
    return produced >= 0 && static_cast<uint64_t>(produced) == recordedSize;
}

bool ReadPayload(const ResourceStore& store, std::string_view resourceName, PayloadImage& image) {
    PayloadFacts facts;
    return InspectPayload(store, resourceName, image, facts) == PayloadFault::None;
}

bool ReadCarriedFile(const ResourceStore& store, std::string_view resourceName, CarriedFile& file) {
    PayloadImage image;
    if (!ReadPayload(store, resourceName, image)) return false;
    const FindDataRecord& record = image.record;
    file =
        CarriedFile{std::move(image.record.cFileName), record.dwFileAttributes, record.ftCreationTime,
                    record.ftLastAccessTime,           record.ftLastWriteTime,  std::move(image.fileBytes)};
    return true;
}
