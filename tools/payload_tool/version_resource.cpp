#include "tools/payload_tool/version_resource.h"

#include "settings/byte_order.h"

namespace {

constexpr std::u16string_view kVersionKey = u"VS_VERSION_INFO";
constexpr uint32_t kFixedInfoSignature = 0xFEEF04BD;
constexpr size_t kFixedInfoSize = 52;
constexpr size_t kKeyOffset = 6; // behind the lengths of the block and of its value, and its type

} // namespace

std::optional<FileVersion> FileVersionIn(std::string_view resource) {
    // The key with its terminating NUL, then padding to a 32-bit boundary, then the fixed part.
    const size_t keyEnd = kKeyOffset + 2 * (kVersionKey.size() + 1);
    const size_t fixedInfo = (keyEnd + 3) / 4 * 4;
    if (resource.size() < fixedInfo + kFixedInfoSize) return std::nullopt;
    if (GetLe16(resource, 0) < fixedInfo + kFixedInfoSize || GetLe16(resource, 2) < kFixedInfoSize)
        return std::nullopt;
    for (size_t i = 0; i <= kVersionKey.size(); ++i) {
        const char16_t expected = i < kVersionKey.size() ? kVersionKey[i] : u'\0';
        if (GetLe16(resource, kKeyOffset + 2 * i) != expected) return std::nullopt;
    }
    if (GetLe32(resource, fixedInfo) != kFixedInfoSignature) return std::nullopt;
    const uint32_t high = GetLe32(resource, fixedInfo + 8);
    const uint32_t low = GetLe32(resource, fixedInfo + 12);
    return FileVersion{static_cast<uint16_t>(high >> 16), static_cast<uint16_t>(high),
                       static_cast<uint16_t>(low >> 16), static_cast<uint16_t>(low)};
}

std::optional<FileVersion> FileVersionOf(const PeResourceTree& tree) {
    const PeResourceType* type = FindResourceType(tree, kRtVersion);
    if (type == nullptr || type->names.empty()) return std::nullopt;
    return FileVersionIn(type->names.front().languages.front().bytes);
}

std::string VersionText(const FileVersion& version) {
    return std::to_string(version[0]) + "." + std::to_string(version[1]) + "." + std::to_string(version[2]) +
           "." + std::to_string(version[3]);
}
