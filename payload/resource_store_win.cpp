#include "payload/resource_store_win.h"

#include <windows.h>

std::optional<std::string_view> ModuleResourceStore::Find(std::string_view name) const {
    // FindResourceA reads a C string; the store's contract cuts the name at its first NUL as well.
    const std::string cName(name.substr(0, name.find('\0')));
    HMODULE module = GetModuleHandleA(nullptr);
    HRSRC resource = FindResourceA(module, cName.c_str(), MAKEINTRESOURCEA(10)); // RT_RCDATA
    if (resource == nullptr) return std::nullopt;
    const DWORD size = SizeofResource(module, resource);
    HGLOBAL loaded = LoadResource(module, resource);
    const void* bytes = loaded == nullptr ? nullptr : LockResource(loaded);
    if (bytes == nullptr)
        return size == 0 ? std::optional<std::string_view>(std::string_view()) : std::nullopt;
    return std::string_view(static_cast<const char*>(bytes), size);
}

bool ReadPayload(std::string_view resourceName, PayloadImage& image) {
    const ModuleResourceStore store;
    return ReadPayload(store, resourceName, image);
}
