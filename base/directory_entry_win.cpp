#include "base/directory_entry_win.h"

#include "base/owned_handles_win.h"

std::optional<WIN32_FIND_DATAA> FindDirectoryEntry(const std::string& path) {
    if (path.empty()) return std::nullopt;
    WIN32_FIND_DATAA entry{};
    const FindHandle search(FindFirstFileA(path.c_str(), &entry));
    if (!search.Valid()) return std::nullopt;
    entry.cFileName[MAX_PATH - 1] = '\0';
    return entry;
}
