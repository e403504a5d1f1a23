#include "tools/payload_tool/resource_entries.h"

#include <algorithm>
#include <vector>

namespace {

// The numbered entry `number` of `entries`, inserted in order when missing.
template <typename Entry> Entry& NumberedEntry(std::vector<Entry>& entries, uint32_t number) {
    const auto place = std::find_if(entries.begin(), entries.end(), [&](const Entry& entry) {
        return !entry.id.named && entry.id.number >= number;
    });
    if (place != entries.end() && place->id.number == number) return *place;
    Entry added;
    added.id.number = number;
    return *entries.insert(place, std::move(added));
}

} // namespace

const PeResourceName* FindNumberedResource(const PeResourceTree& tree, uint32_t type, uint32_t name) {
    const PeResourceType* found = FindResourceType(tree, type);
    if (found == nullptr) return nullptr;
    for (const PeResourceName& entry : found->names) {
        if (!entry.id.named && entry.id.number == name) return &entry;
    }
    return nullptr;
}

PeResourceLanguage* WritableResource(PeResourceTree& tree, uint32_t type, uint32_t name, uint32_t language) {
    PeResourceName& entry = NumberedEntry(NumberedEntry(tree.types, type).names, name);
    if (entry.languages.empty()) entry.languages.push_back({{false, language, {}}, 0, 0, {}});
    return entry.languages.size() == 1 ? &entry.languages.front() : nullptr;
}
