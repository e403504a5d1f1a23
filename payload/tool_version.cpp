#include "payload/tool_version.h"

#include "settings/byte_order.h"

namespace {

// VS_VERSIONINFO: wLength, wValueLength, wType, the key with its NUL, padding to 32 bits, then the
// VS_FIXEDFILEINFO, whose file version follows its signature and structure version.
constexpr size_t kKeyOffset = 6;
constexpr std::u16string_view kVersionKey = u"VS_VERSION_INFO";
constexpr size_t kFixedInfoOffset = 40; // 6 + 32 bytes of key and NUL, rounded up to 4
constexpr size_t kFixedInfoSize = 52;
constexpr uint32_t kFixedInfoSignature = 0xFEEF04BD;
constexpr size_t kFileVersionMsOffset = kFixedInfoOffset + 8;
constexpr size_t kFileVersionLsOffset = kFixedInfoOffset + 12;
constexpr uint32_t kPartMask = 0xFFFF;

bool HoldsVersionKey(std::string_view bytes) {
    for (size_t i = 0; i <= kVersionKey.size(); ++i) {
        const char16_t expected = i < kVersionKey.size() ? kVersionKey[i] : u'\0';
        if (GetLe16(bytes, kKeyOffset + 2 * i) != expected) return false;
    }
    return true;
}

} // namespace

std::optional<FileVersion> FixedFileVersion(std::string_view versionResource) {
    const std::string_view bytes = versionResource;
    if (bytes.size() < kFixedInfoOffset + kFixedInfoSize) return std::nullopt;
    const size_t blockLength = GetLe16(bytes, 0);
    const size_t valueLength = GetLe16(bytes, 2);
    if (blockLength < kFixedInfoOffset + kFixedInfoSize || blockLength > bytes.size()) return std::nullopt;
    if (valueLength < kFixedInfoSize || !HoldsVersionKey(bytes)) return std::nullopt;
    if (GetLe32(bytes, kFixedInfoOffset) != kFixedInfoSignature) return std::nullopt;
    return FileVersion{GetLe32(bytes, kFileVersionMsOffset)} << 32 | GetLe32(bytes, kFileVersionLsOffset);
}

std::string FileVersionText(FileVersion version) {
    std::string text;
    for (int shift = 48; shift >= 0; shift -= 16) {
        text += std::to_string((version >> shift) & kPartMask);
        if (shift > 0) text += '.';
    }
    return text;
}

std::string EncodeToolVersionRecord(std::optional<FileVersion> version) {
    if (!version) return "";
    std::string record(kToolVersionRecordSize, '\0');
    PutLe32(record, 0, *version >> 32);
    PutLe32(record, 4, *version & 0xFFFF'FFFFu);
    return record;
}

std::optional<FileVersion> DecodeToolVersionRecord(std::string_view record) {
    if (record.size() != kToolVersionRecordSize) return std::nullopt;
    return FileVersion{GetLe32(record, 0)} << 32 | GetLe32(record, 4);
}

bool ReplacesPresentTool(const PresentTool& present, std::optional<FileVersion> carried) {
    return present.plainFile && !present.readOnly && present.version && carried &&
           *carried > *present.version;
}
