#include "settings/program_facts_win.h"

#include <windows.h>

#include <optional>
#include <string_view>

#include "resources/resource_ids.h"
#include "settings/program_facts.h"

namespace {

// The bytes of the launcher's own resource `name` of `type`; empty when there is none.
std::string_view OwnResource(uint32_t type, uint32_t name) {
    HMODULE module = GetModuleHandleA(nullptr);
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(name), MAKEINTRESOURCEA(type));
    if (found == nullptr) return {};
    HGLOBAL loaded = LoadResource(module, found);
    const void* bytes = loaded == nullptr ? nullptr : LockResource(loaded);
    if (bytes == nullptr) return {};
    return std::string_view(static_cast<const char*>(bytes), SizeofResource(module, found));
}

std::string OwnString(uint32_t id) {
    const std::optional<std::u16string> text =
        StringBlockEntry(OwnResource(kRtString, StringBlockName(id)), StringBlockIndex(id));
    return text ? AsciiText(*text) : std::string();
}

} // namespace

std::string ProgramVersionText() {
    const std::optional<FileVersion> version =
        FixedFileVersion(OwnResource(kRtVersionInfo, kVersionResourceName));
    return version ? VersionText(*version) : std::string();
}

std::string ProgramDateText() { return OwnString(IDS_PROGRAM_DATE); }

std::string HomePageUrl() { return OwnString(IDS_HOME_PAGE); }

bool ToolUpdatesEnabled() { return OwnString(IDS_UPDATE_TOOLS) == kToolUpdatesOn; }
