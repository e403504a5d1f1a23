#include "settings/program_facts.h"

#include "base/byte_order.h"

namespace {

// VS_VERSIONINFO: its length, the length of its value, its type, the key L"VS_VERSION_INFO" with its
// NUL, padding to four bytes, then the value, VS_FIXEDFILEINFO, which opens with its signature.
constexpr size_t kKeyOffset = 6;
constexpr char16_t kVersionInfoKey[] = u"VS_VERSION_INFO"; // with its NUL: 16 units
constexpr size_t kFixedInfoOffset = kKeyOffset + 2 * 16 + 2;
constexpr uint32_t kFixedInfoSignature = 0xFEEF04BD;
constexpr size_t kFixedInfoSize = 52;
constexpr size_t kFileVersionHigh = 8;
constexpr size_t kFileVersionLow = 12;

// The block is a version resource, not some other block that happens to hold the signature.
bool HasVersionInfoKey(std::string_view resource) {
    for (size_t i = 0; i < 16; ++i) {
        if (GetLe16(resource, kKeyOffset + 2 * i) != kVersionInfoKey[i]) return false;
    }
    return true;
}

} // namespace

std::optional<FileVersion> FixedFileVersion(std::string_view resource) {
    if (resource.size() < kFixedInfoOffset + kFixedInfoSize || GetLe16(resource, 2) < kFixedInfoSize ||
        !HasVersionInfoKey(resource) || GetLe32(resource, kFixedInfoOffset) != kFixedInfoSignature) {
        return std::nullopt;
    }
    return FileVersion{GetLe32(resource, kFixedInfoOffset + kFileVersionHigh),
                       GetLe32(resource, kFixedInfoOffset + kFileVersionLow)};
}

std::string VersionText(FileVersion version) {
    return std::to_string(version.high >> 16) + "." + std::to_string(version.high & 0xFFFF) + "." +
           std::to_string(version.low >> 16) + "." + std::to_string(version.low & 0xFFFF);
}

std::optional<std::u16string> StringBlockEntry(std::string_view block, uint32_t index) {
    size_t at = 0;
    for (uint32_t entry = 0; entry < kStringsPerBlock; ++entry) {
        if (block.size() - at < 2) return std::nullopt;
        const size_t units = GetLe16(block, at);
        at += 2;
        if ((block.size() - at) / 2 < units) return std::nullopt;
        if (entry == index) {
            std::u16string text(units, u'\0');
            for (size_t i = 0; i < units; ++i) text[i] = static_cast<char16_t>(GetLe16(block, at + 2 * i));
            return text;
        }
        at += 2 * units;
    }
    return std::nullopt;
}

std::string AsciiText(std::u16string_view text) {
    std::string ascii(text.size(), '?');
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != 0 && text[i] < 0x80) ascii[i] = static_cast<char>(text[i]);
    }
    return ascii;
}
