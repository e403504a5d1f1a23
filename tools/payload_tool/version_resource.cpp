#include "tools/payload_tool/version_resource.h"

#include <algorithm>
#include <cstdio>

#include "base/byte_order.h"

namespace {

constexpr uint16_t kBinary = 0;
constexpr uint16_t kText = 1;
constexpr size_t kHeaderSize = 6; // wLength, wValueLength, wType
constexpr uint32_t kFixedInfoSignature = 0xFEEF04BD;
constexpr uint32_t kFixedInfoVersion = 0x0001'0000;
constexpr uint32_t kFileFlagsMask = 0x3F; // VS_FFI_FILEFLAGSMASK

size_t Align4(size_t value) { return (value + 3) & ~size_t{3}; }

std::string Utf16Bytes(std::u16string_view text) {
    std::string bytes(2 * text.size(), '\0');
    for (size_t i = 0; i < text.size(); ++i) PutLe16(bytes, 2 * i, text[i]);
    return bytes;
}

// One block: its header, key, value and children, each of the last three starting on four bytes.
std::string Block(std::u16string_view key, uint16_t type, uint16_t valueLength, std::string_view value,
                  const std::vector<std::string>& children = {}) {
    std::string bytes(kHeaderSize, '\0');
    bytes += Utf16Bytes(key) + std::string(2, '\0');
    bytes.resize(Align4(bytes.size()), '\0');
    bytes += value;
    for (const std::string& child : children) {
        bytes.resize(Align4(bytes.size()), '\0');
        bytes += child;
    }
    PutLe16(bytes, 0, bytes.size());
    PutLe16(bytes, 2, valueLength);
    PutLe16(bytes, 4, type);
    return bytes;
}

std::string FixedInfo(const VersionResource& resource) {
    std::string info(52, '\0');
    const uint32_t fields[] = {kFixedInfoSignature,
                               kFixedInfoVersion,
                               resource.fileVersion.high,
                               resource.fileVersion.low,
                               resource.productVersion.high,
                               resource.productVersion.low,
                               kFileFlagsMask,
                               0, // flags
                               resource.fileOs,
                               resource.fileType};
    for (size_t i = 0; i < std::size(fields); ++i) PutLe32(info, 4 * i, fields[i]);
    return info;
}

struct Node {
    std::u16string key;
    size_t value = 0;    // where the value starts
    size_t children = 0; // where the first child may start
    size_t end = 0;
};

// The block at `at`, which must end by `limit`.
std::optional<Node> ReadNode(std::string_view bytes, size_t at, size_t limit) {
    if (limit - at < kHeaderSize) return std::nullopt;
    const size_t length = GetLe16(bytes, at);
    if (length < kHeaderSize || length > limit - at) return std::nullopt;
    Node node;
    node.end = at + length;
    size_t cursor = at + kHeaderSize;
    for (; cursor + 2 <= node.end && GetLe16(bytes, cursor) != 0; cursor += 2)
        node.key += static_cast<char16_t>(GetLe16(bytes, cursor));
    node.value = std::min(Align4(cursor + 2), node.end);
    const size_t valueBytes = GetLe16(bytes, at + 2) * (GetLe16(bytes, at + 4) == kText ? 2 : 1);
    node.children = std::min(Align4(node.value + valueBytes), node.end);
    return node;
}

// The blocks inside `parent`, or nullopt when one does not fit.
std::optional<std::vector<Node>> Children(std::string_view bytes, const Node& parent) {
    std::vector<Node> children;
    for (size_t at = parent.children; at < parent.end; at = Align4(children.back().end)) {
        const std::optional<Node> child = ReadNode(bytes, at, parent.end);
        if (!child) return std::nullopt;
        children.push_back(*child);
    }
    return children;
}

std::u16string TextAt(std::string_view bytes, size_t from, size_t end) {
    std::u16string text;
    for (size_t at = from; at + 2 <= end && GetLe16(bytes, at) != 0; at += 2)
        text += static_cast<char16_t>(GetLe16(bytes, at));
    return text;
}

} // namespace

std::string EncodeVersionResource(const VersionResource& resource) {
    std::vector<std::string> strings;
    for (const auto& [name, text] : resource.texts) {
        const std::string value = Utf16Bytes(text) + std::string(2, '\0');
        strings.push_back(Block(name, kText, static_cast<uint16_t>(text.size() + 1), value));
    }
    char tableKey[9] = {};
    std::snprintf(tableKey, sizeof tableKey, "%04X%04X", unsigned{resource.language},
                  unsigned{resource.codePage});
    const std::u16string tableName(tableKey, tableKey + 8);
    std::string translation(4, '\0');
    PutLe16(translation, 0, resource.language);
    PutLe16(translation, 2, resource.codePage);
    return Block(u"VS_VERSION_INFO", kBinary, 52, FixedInfo(resource),
                 {Block(u"StringFileInfo", kText, 0, "", {Block(tableName, kText, 0, "", strings)}),
                  Block(u"VarFileInfo", kText, 0, "", {Block(u"Translation", kBinary, 4, translation)})});
}

std::optional<VersionTexts> ReadVersionTexts(std::string_view resource) {
    const std::optional<Node> root = ReadNode(resource, 0, resource.size());
    const auto blocks = root ? Children(resource, *root) : std::nullopt;
    if (!blocks) return std::nullopt;
    VersionTexts texts;
    for (const Node& block : *blocks) {
        if (block.key != u"StringFileInfo") continue;
        const auto tables = Children(resource, block);
        if (!tables) return std::nullopt;
        if (tables->empty()) break;
        const auto strings = Children(resource, tables->front());
        if (!strings) return std::nullopt;
        for (const Node& string : *strings)
            texts.emplace_back(string.key, TextAt(resource, string.value, string.end));
        break;
    }
    return texts;
}
