// The packed form in which a tool travels inside the launcher: a named RT_RCDATA resource holding the
// file (LZNT1-compressed, plain, or in a second resource) followed by a 322-byte trailer, the tag "WFD "
// and the file's 318-byte find-data record.
//
// Reading never throws and never hands out a partial result: every refusal leaves the caller's image
// untouched. Writing (only the Compressed shape, the one the launcher carries) is payload/payload_pack.h;
// reading the running executable's own resources is payload/resource_store_win.h.
//
// The layout has no room for a checksum, so the record's two reserved fields carry one: dwReserved0
// the CRC-32 (crc32.h) of the file bytes, dwReserved1 kPayloadChecksumMarker. Other packers leave both
// fields 0, and 0 is also a possible CRC, so only the marker tells "no checksum" from "checksum 0".
// (0, 0) is read as it always was; any pair but that and (CRC, marker) is refused like a wrong CRC, so
// that one damaged bit in the marker cannot switch the check off. A stream that is damaged but still
// decodes to the recorded size is caught only by the checksum.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "base/path_limits.h"
#include "payload/resource_store.h"

enum class PayloadVariant { Compressed, Plain, Split };

inline constexpr size_t kFindDataRecordSize = 318;
inline constexpr size_t kPayloadTrailerSize = 322;
inline constexpr std::string_view kPayloadTag = "WFD ";
inline constexpr size_t kFileNameBytes = kPathBufferChars; // cFileName[MAX_PATH]
inline constexpr size_t kAlternateFileNameBytes = 14;
inline constexpr uint32_t kFileAttributeArchive = 0x20;
inline constexpr uint32_t kPayloadChecksumMarker = 0x32335243; // "CR32" as little-endian bytes

// WIN32_FIND_DATAA without its two trailing alignment bytes. Times are FILETIMEs (100 ns since 1601).
struct FindDataRecord {
    uint32_t dwFileAttributes = 0;
    uint64_t ftCreationTime = 0;
    uint64_t ftLastAccessTime = 0;
    uint64_t ftLastWriteTime = 0;
    uint32_t nFileSizeHigh = 0;
    uint32_t nFileSizeLow = 0;
    uint32_t dwReserved0 = 0;       // the file's CRC-32 when dwReserved1 holds the marker
    uint32_t dwReserved1 = 0;       // kPayloadChecksumMarker or, from other packers, 0 (and so dwReserved0)
    std::string cFileName;          // at most 260 bytes, no NUL
    std::string cAlternateFileName; // at most 14 bytes, no NUL

    friend bool operator==(const FindDataRecord&, const FindDataRecord&) = default;
};

struct PayloadTrailer {
    std::string tag; // 4 bytes; a valid trailer holds kPayloadTag
    FindDataRecord record;
};

struct PayloadImage {
    std::string fileBytes; // exactly the recorded file size
    FindDataRecord record;
};

// nFileSizeHigh * 2^32 + nFileSizeLow.
uint64_t RecordedFileSize(const FindDataRecord& record);

// True when the record carries the marker, so that its dwReserved0 is the checksum the file must match.
bool RecordsChecksum(const FindDataRecord& record);

// True for the reserved pair (0, 0), and for (CRC, marker) when the CRC is that of `fileBytes`.
bool ChecksumHolds(const FindDataRecord& record, std::string_view fileBytes);

// The 318 little-endian bytes of `record`. Names longer than their field are cut to it; the bytes after
// a name are zero.
std::string EncodeFindDataRecord(const FindDataRecord& record);

// Decodes 318 bytes; each name ends at its first NUL or at the end of its field. nullopt for any other
// length.
std::optional<FindDataRecord> DecodeFindDataRecord(std::string_view bytes);

// kPayloadTag followed by the encoded record: 322 bytes.
std::string EncodePayloadTrailer(const FindDataRecord& record);

// Splits 322 bytes into tag and record, whatever the tag holds; nullopt for any other length.
std::optional<PayloadTrailer> DecodePayloadTrailer(std::string_view bytes);

// The name as its ending is judged: trailing NUL and blank characters removed, ASCII letters
// upper-cased (AsciiUpperCase, which is all the ASCII endings need).
std::string PayloadTestName(std::string_view resourceName);

// The shape that a resource named `resourceName` of `resourceSize` bytes is read as, or nullopt when
// that name and size are no payload at all. Tags and contents are not looked at.
std::optional<PayloadVariant> ClassifyPayload(std::string_view resourceName, size_t resourceSize);

// The name of a Split payload's second resource: the name without trailing NUL/blank characters and
// without its "_WFD" (ending "BIN_WFD") or "WFD" (ending "BINWFD"), case kept. nullopt for other endings.
std::optional<std::string> SplitDataResourceName(std::string_view resourceName);

// Why a read was refused. ReadPayload reports none of this; inspectors do.
enum class PayloadFault {
    None,
    NoPayloadEnding,
    NotFound,
    TooSmall,
    WrongTag,
    SplitNameWithoutBin,
    SplitDataNotFound,
    SplitDataSizeMismatch,
    DecodedSizeMismatch,
    ImageSizeMismatch,
    ChecksumMismatch,
};

// A short English phrase for the fault, for tools.
std::string_view PayloadFaultText(PayloadFault fault);

// What an inspection learnt about one resource, as far as the read got.
struct PayloadFacts {
    std::optional<PayloadVariant> variant;
    size_t storedSize = 0;                // S, once the resource was found
    std::optional<FindDataRecord> record; // once the tag passed
};

// ReadPayload with its reason: PayloadFault::None and `image` filled on success; otherwise `image`
// is untouched. `facts` receives what was learnt either way. The name's ending is judged first, the
// trailer's tag before anything else about the resource, and the shape read is ClassifyPayload's.
PayloadFault InspectPayload(const ResourceStore& store, std::string_view resourceName, PayloadImage& image,
                            PayloadFacts& facts);

// Finds `resourceName` in `store`, validates it (the checksum too, when the record carries one) and
// yields the file bytes and record. false (and `image` untouched) for every refusal, silently.
bool ReadPayload(const ResourceStore& store, std::string_view resourceName, PayloadImage& image);

// A carried file as deployment writes it: what the record says about it, free of the record's layout.
struct CarriedFile {
    std::string name; // as recorded, at most 260 bytes, no NUL; deployment judges it
    uint32_t attributes = 0;
    uint64_t creationTime = 0; // FILETIMEs (100 ns since 1601)
    uint64_t lastAccessTime = 0;
    uint64_t lastWriteTime = 0;
    std::string bytes;
};

// ReadPayload for deployment: the same validation, the result as a CarriedFile. false (and `file`
// untouched) for every refusal, silently.
bool ReadCarriedFile(const ResourceStore& store, std::string_view resourceName, CarriedFile& file);

// The Compressed shape's rule for its stream: true, and `decoded` holding the file, when `stream` decodes
// to exactly `recordedSize` bytes within the 12.5-fold capacity the reader gives it (Lznt1Decompress).
// false for a malformed stream and for any other size, a longer one included; `decoded` is then
// unspecified. The output buffer is one byte larger than the file, except for a stream whose chunks
// show that it holds exactly the file and end in a stored chunk shorter than 4096 bytes, which Vista's
// decoder reads only into a buffer that ends with it.
bool DecodeCompressedBody(std::string_view stream, uint64_t recordedSize, std::string& decoded);
