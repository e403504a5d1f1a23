#include "payload/resource_store.h"

#include "base/text_ops.h"

std::string ResourceNameKey(std::string_view name) { return AsciiUpperCase(name.substr(0, name.find('\0'))); }

void MemoryResourceStore::Add(std::string_view name, std::string bytes) {
    blocks_[ResourceNameKey(name)] = std::move(bytes);
}

std::optional<std::string_view> MemoryResourceStore::Find(std::string_view name) const {
    const auto found = blocks_.find(ResourceNameKey(name));
    if (found == blocks_.end()) return std::nullopt;
    return std::string_view(found->second);
}
