#include "tools/payload_tool/tool_versions.h"

#include <algorithm>
#include <iostream>

#include "tools/payload_tool/launcher_image.h"
#include "tools/payload_tool/resource_entries.h"
#include "tools/payload_tool/tool_files.h"

namespace {

PeResourceId NamedId(std::string_view ascii) {
    PeResourceId id;
    id.named = true;
    id.name.assign(ascii.begin(), ascii.end());
    return id;
}

// The platform finds an entry by a binary search: named entries first, in the ordinal order of their
// (upper-case) names, then numbered ones by number.
bool ComesBefore(const PeResourceId& a, const PeResourceId& b) {
    if (a.named != b.named) return a.named;
    return a.named ? a.name < b.name : a.number < b.number;
}

template <typename Entry> Entry& FindOrInsert(std::vector<Entry>& entries, const PeResourceId& id) {
    const auto found =
        std::find_if(entries.begin(), entries.end(), [&](const Entry& e) { return e.id == id; });
    if (found != entries.end()) return *found;
    const auto place =
        std::find_if(entries.begin(), entries.end(), [&](const Entry& e) { return ComesBefore(id, e.id); });
    Entry entry;
    entry.id = id;
    return *entries.insert(place, std::move(entry));
}

} // namespace

std::optional<FileVersion> ProgramVersionOf(std::string_view fileBytes) {
    PeImage image;
    if (ReadPeImage(fileBytes, image) != PeResult::Ok) return std::nullopt;
    const PeResourceName* version =
        FindNumberedResource(image.resources, kRtVersionInfo, kVersionResourceName);
    if (version == nullptr) return std::nullopt;
    return FixedFileVersion(version->languages.front().bytes);
}

std::string PutToolVersion(PeResourceTree& tree, std::string_view payloadName,
                           std::optional<FileVersion> version) {
    const PeResourceName* payload = FindNamedResource(tree, kRtRcData, payloadName);
    if (payload == nullptr) return "has no RT_RCDATA resource " + std::string(payloadName);
    if (payload->languages.size() != 1)
        return "the RT_RCDATA resource " + std::string(payloadName) + " has more than one language";
    PeResourceLanguage language = payload->languages.front();
    language.bytes = EncodeToolVersionRecord(version);
    const PeResourceId payloadId = payload->id; // the insertion below may move the payload's entry
    PeResourceName& record =
        FindOrInsert(FindOrInsert(tree.types, NamedId(kToolVersionType)).names, payloadId);
    if (record.languages.size() == 1 && record.languages.front().id == language.id) {
        record.languages.front().bytes = language.bytes;
    } else {
        record.languages = {language};
    }
    return "";
}

int VersionCommand(const CommandArgs& args) {
    if (args.empty() || args.size() > 2) return UsageError();
    std::string error;
    const std::optional<std::string> file = ReadWholeFile(args[0], error);
    if (!file) return Fail(args[0], error);
    const std::optional<FileVersion> version = ProgramVersionOf(*file);
    if (args.size() == 2 && !WriteAtomically(args[1], EncodeToolVersionRecord(version), error))
        return Fail(args[1], "cannot write: " + error);
    std::cout << (version ? VersionText(*version) : "none") << "\n";
    return 0;
}
