#include "tools/payload_tool/zip_writer.h"

#include <algorithm>
#include <chrono>
#include <zlib.h>

#include "base/byte_order.h"

namespace {

// What Python's zipfile records for a deflated entry of a seekable archive: version 2.0 to extract and
// made by, deflate, the UTF-8 flag only for a name that needs it.
constexpr uint16_t kVersion20 = 20;
constexpr uint16_t kMethodDeflate = 8;
constexpr uint16_t kFlagUtf8Name = 0x800;
constexpr uint32_t kFileAttributeArchive = 0x20;
constexpr uint32_t kLocalHeaderSignature = 0x04034b50;
constexpr uint32_t kCentralHeaderSignature = 0x02014b50;
constexpr uint32_t kEndSignature = 0x06054b50;
constexpr int kDeflateLevel = 9;
constexpr int kRawDeflateWindowBits = -15;
constexpr int kDeflateMemoryLevel = 8;
// zipfile switches to Zip64 records above 2 GB; a release never comes near, so larger is refused.
constexpr uint64_t kZip64Limit = 0x7FFFFFFF;
constexpr int64_t kFirstDosSecond = 315532800; // 1980-01-01 00:00:00
constexpr int64_t kLastDosSecond = 4354819198; // 2107-12-31 23:59:58

struct DosTime {
    uint16_t time = 0;
    uint16_t date = 0;
};

DosTime DosTimeOf(int64_t unixSeconds) {
    using namespace std::chrono;
    const sys_seconds moment{seconds{std::clamp(unixSeconds, kFirstDosSecond, kLastDosSecond)}};
    const sys_days day = floor<days>(moment);
    const year_month_day date{day};
    const hh_mm_ss<seconds> clock{moment - day};
    return {static_cast<uint16_t>(clock.hours().count() << 11 | clock.minutes().count() << 5 |
                                  clock.seconds().count() / 2),
            static_cast<uint16_t>((static_cast<int>(date.year()) - 1980) << 9 |
                                  static_cast<unsigned>(date.month()) << 5 |
                                  static_cast<unsigned>(date.day()))};
}

std::optional<std::string> Deflate(const std::string& bytes) {
    z_stream stream{};
    if (deflateInit2(&stream, kDeflateLevel, Z_DEFLATED, kRawDeflateWindowBits, kDeflateMemoryLevel,
                     Z_DEFAULT_STRATEGY) != Z_OK)
        return std::nullopt;
    std::string out(deflateBound(&stream, static_cast<uLong>(bytes.size())), '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
    stream.avail_in = static_cast<uInt>(bytes.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    const int result = deflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    if (result != Z_STREAM_END) return std::nullopt;
    return out;
}

uint32_t Crc32Of(const std::string& bytes) {
    return static_cast<uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size())));
}

// The fields that the local header and the central directory share, from "version needed" to the
// name's length.
std::string SharedFields(const ZipEntry& entry, DosTime time, uint32_t crc, size_t packedSize) {
    const bool ascii = std::all_of(entry.name.begin(), entry.name.end(),
                                   [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    std::string fields(22, '\0');
    PutLe16(fields, 0, kVersion20);
    PutLe16(fields, 2, ascii ? 0 : kFlagUtf8Name);
    PutLe16(fields, 4, kMethodDeflate);
    PutLe16(fields, 6, time.time);
    PutLe16(fields, 8, time.date);
    PutLe32(fields, 10, crc);
    PutLe32(fields, 14, packedSize);
    PutLe32(fields, 18, entry.bytes.size());
    return fields;
}

std::string Le16(uint64_t value) {
    std::string field(2, '\0');
    PutLe16(field, 0, value);
    return field;
}

std::string Le32(uint64_t value) {
    std::string field(4, '\0');
    PutLe32(field, 0, value);
    return field;
}

} // namespace

std::optional<std::string> MakeZip(std::vector<ZipEntry> entries, int64_t unixSeconds, std::string& error) {
    std::sort(entries.begin(), entries.end(),
              [](const ZipEntry& a, const ZipEntry& b) { return a.name < b.name; });
    const DosTime time = DosTimeOf(unixSeconds);
    std::string archive;
    std::string directory;
    for (const ZipEntry& entry : entries) {
        // zipfile chooses Zip64 for an entry of more than the limit over 1.05, before it knows the size
        // compressed.
        if (static_cast<double>(entry.bytes.size()) * 1.05 > static_cast<double>(kZip64Limit)) {
            error = entry.name + " is too large for a zip without Zip64 records";
            return std::nullopt;
        }
        const std::optional<std::string> packed = Deflate(entry.bytes);
        if (!packed) {
            error = entry.name + ": zlib could not deflate it";
            return std::nullopt;
        }
        const std::string shared = SharedFields(entry, time, Crc32Of(entry.bytes), packed->size());
        const size_t offset = archive.size();
        archive += Le32(kLocalHeaderSignature) + shared + Le16(entry.name.size()) + Le16(0) + entry.name;
        archive += *packed;
        directory += Le32(kCentralHeaderSignature) + Le16(kVersion20) + shared + Le16(entry.name.size()) +
                     Le16(0) + Le16(0) + Le16(0) + Le16(0) + Le32(kFileAttributeArchive) + Le32(offset) +
                     entry.name;
    }
    if (archive.size() + directory.size() > kZip64Limit) {
        error = "the archive is too large for a zip without Zip64 records";
        return std::nullopt;
    }
    const size_t directoryOffset = archive.size();
    archive += directory;
    archive += Le32(kEndSignature) + Le16(0) + Le16(0) + Le16(entries.size()) + Le16(entries.size()) +
               Le32(directory.size()) + Le32(directoryOffset) + Le16(0);
    return archive;
}
