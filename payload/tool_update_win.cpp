#include "payload/tool_update_win.h"

#include <windows.h>

#include <cstdint>

#include "base/directory_entry_win.h"
#include "base/owned_handles_win.h"
#include "base/text_ops.h"
#include "payload/deploy_paths.h"
#include "payload/deploy_win.h"
#include "payload/resource_store_win.h"
#include "settings/settings_file_win.h"

namespace {

// The loader maps a data file as it is and believes its resource directory: a size that runs past the
// mapping would have the launcher read past its end. The bytes count only when the mapping holds them.
bool InsideTheMapping(const void* data, size_t size) {
    MEMORY_BASIC_INFORMATION region{};
    if (data == nullptr || VirtualQuery(data, &region, sizeof region) == 0 || region.State != MEM_COMMIT)
        return false;
    const uintptr_t end = reinterpret_cast<uintptr_t>(region.BaseAddress) + region.RegionSize;
    return size <= end - reinterpret_cast<uintptr_t>(data);
}

std::optional<std::string_view> ResourceBytes(HMODULE module, const char* name, const char* type) {
    HRSRC resource = FindResourceA(module, name, type);
    if (resource == nullptr) return std::nullopt;
    const DWORD size = SizeofResource(module, resource);
    HGLOBAL loaded = LoadResource(module, resource);
    const void* bytes = loaded == nullptr ? nullptr : LockResource(loaded);
    if (!InsideTheMapping(bytes, size)) return std::nullopt;
    return std::string_view(static_cast<const char*>(bytes), size);
}

PresentTool PresentToolAt(const std::string& target) {
    PresentTool present;
    const std::optional<WIN32_FIND_DATAA> entry = FindDirectoryEntry(target);
    if (!entry) return present;
    present.plainFile =
        (entry->dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) == 0;
    present.readOnly = (entry->dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0;
    if (present.plainFile && !present.readOnly) present.version = ProgramFileVersion(target);
    return present;
}

std::string FileNameOf(const std::string& path) { return path.substr(path.find_last_of("\\/") + 1); }

} // namespace

std::optional<FileVersion> CarriedToolVersion(std::string_view resourceName) {
    const std::string name(resourceName.substr(0, resourceName.find('\0')));
    const std::string type(kToolVersionType);
    const std::optional<std::string_view> record =
        ResourceBytes(GetModuleHandleA(nullptr), name.c_str(), type.c_str());
    return record ? DecodeToolVersionRecord(*record) : std::nullopt;
}

std::optional<FileVersion> ProgramFileVersion(const std::string& path) {
    const LoadedLibrary file(LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    if (!file.Valid()) return std::nullopt;
    const std::optional<std::string_view> resource =
        ResourceBytes(file.Get(), MAKEINTRESOURCEA(kVersionResourceName), MAKEINTRESOURCEA(kRtVersionInfo));
    return resource ? FixedFileVersion(*resource) : std::nullopt;
}

int32_t UpdateToolFrom(const ResourceStore& store, std::string_view resourceName,
                       std::optional<FileVersion> carriedVersion, const std::string& target) {
    if (!carriedVersion || !ReplacesPresentTool(PresentToolAt(target), carriedVersion)) return 0;
    CarriedFile carried;
    if (!ReadCarriedFile(store, CutText(resourceName, kMaxPathChars), carried)) return 0;
    // A payload recorded under another name is some other tool, whatever its version says.
    if (AsciiUpperCase(DeployFileName(carried.name)) != AsciiUpperCase(FileNameOf(target))) return 0;
    return PutCarriedFile(target, carried, true) ? 1 : 0;
}

int32_t UpdateTool(std::string_view resourceName, const std::string& target) {
    const ModuleResourceStore store;
    return UpdateToolFrom(store, resourceName, CarriedToolVersion(resourceName), target);
}
