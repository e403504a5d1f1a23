#include "tools/payload_tool/string_table.h"

#include <array>

#include "base/byte_order.h"
#include "settings/program_facts.h"
#include "tools/payload_tool/resource_entries.h"

namespace {

using StringBlock = std::array<std::u16string, kStringsPerBlock>;

std::string EncodeBlock(const StringBlock& block) {
    std::string bytes;
    for (const std::u16string& text : block) {
        const size_t at = bytes.size();
        bytes.resize(at + 2 + 2 * text.size());
        PutLe16(bytes, at, text.size());
        for (size_t i = 0; i < text.size(); ++i) PutLe16(bytes, at + 2 + 2 * i, text[i]);
    }
    return bytes;
}

} // namespace

std::optional<std::u16string> ReadString(const PeResourceTree& tree, uint32_t id) {
    const PeResourceName* block = FindNumberedResource(tree, kRtString, StringBlockName(id));
    if (block == nullptr) return std::nullopt;
    return StringBlockEntry(block->languages.front().bytes, StringBlockIndex(id));
}

std::string WriteString(PeResourceTree& tree, uint32_t id, const std::u16string& text, uint32_t language) {
    if (text.size() > 0xFFFF) return "a string of more than 65535 units";
    PeResourceLanguage* data = WritableResource(tree, kRtString, StringBlockName(id), language);
    if (data == nullptr) {
        return "the string-table block " + std::to_string(StringBlockName(id)) + " has several languages";
    }
    StringBlock block;
    for (uint32_t index = 0; index < kStringsPerBlock && !data->bytes.empty(); ++index) {
        const std::optional<std::u16string> entry = StringBlockEntry(data->bytes, index);
        if (!entry) return "the string-table block " + std::to_string(StringBlockName(id)) + " is damaged";
        block[index] = *entry;
    }
    block[StringBlockIndex(id)] = text;
    data->bytes = EncodeBlock(block);
    return "";
}
