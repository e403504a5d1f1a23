#include "tools/payload_tool/launcher_image.h"

#include <cctype>
#include <iostream>

#include "tools/payload_tool/tool_cli.h"
#include "tools/payload_tool/tool_files.h"

std::optional<Executable> LoadExecutable(const std::string& path) {
    std::string error;
    std::optional<std::string> file = ReadWholeFile(path, error);
    if (!file) {
        Fail(path, error);
        return std::nullopt;
    }
    Executable exe{std::move(*file), {}};
    const PeResult result = ReadPeImage(exe.file, exe.image);
    if (result != PeResult::Ok) {
        Fail(path, std::string(PeResultText(result)));
        return std::nullopt;
    }
    return exe;
}

Payloads PayloadsOf(const PeImage& image) {
    Payloads payloads;
    const PeResourceType* type = FindResourceType(image.resources, kRtRcData);
    if (type == nullptr) return payloads;
    for (const PeResourceName& name : type->names) {
        const std::string& bytes = name.languages.front().bytes;
        payloads.rcData.push_back({ResourceIdText(name.id), !name.id.named, bytes.size()});
        // Numbered resources cannot be reached by name: FindResourceA takes "#n" as the number n.
        if (name.id.named) payloads.store.Add(payloads.rcData.back().name, bytes);
    }
    return payloads;
}

bool SameIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

const ToolEntry* FindRow(std::string_view text) {
    for (size_t row = 0; row < ToolCatalogue().size(); ++row) {
        const ToolEntry& entry = ToolCatalogue()[row];
        if (text == std::to_string(row + 1) || SameIgnoringCase(text, entry.exeFileName) ||
            SameIgnoringCase(text, entry.resourceName)) {
            return &entry;
        }
    }
    return nullptr;
}

int RowNumber(const ToolEntry& row) { return static_cast<int>(&row - ToolCatalogue().data()) + 1; }

namespace {

bool SameName(const std::u16string& name, std::string_view ascii) {
    std::string narrow;
    for (char16_t unit : name) {
        if (unit >= 0x80) return false;
        narrow += static_cast<char>(unit);
    }
    return SameIgnoringCase(narrow, ascii);
}

} // namespace

PeResourceName* FindNamedResource(PeResourceTree& tree, uint32_t type, std::string_view name) {
    PeResourceType* found = FindResourceType(tree, type);
    if (found == nullptr) return nullptr;
    for (PeResourceName& resource : found->names) {
        if (resource.id.named && SameName(resource.id.name, name)) return &resource;
    }
    return nullptr;
}

std::string PutPayload(PeResourceTree& tree, std::string_view name, const std::string& payload) {
    PeResourceName* found = FindNamedResource(tree, kRtRcData, name);
    if (found == nullptr) return "has no RT_RCDATA resource " + std::string(name);
    if (found->languages.size() != 1) {
        return "the RT_RCDATA resource " + std::string(name) + " has " +
               std::to_string(found->languages.size()) + " languages, not one";
    }
    found->languages.front().bytes = payload;
    return "";
}

void SaySignatureRemoved(const std::string& outPath) {
    std::cout << "payload-tool: " << outPath
              << ": the launcher's Authenticode signature was removed; sign this file again\n";
}
