// The one directory-entry lookup behind every existence test of the launcher: the settings file, a
// tool file, a deployment's temporary names, the program folder.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

// The entry that a directory search for exactly `path` yields first (its name always NUL-terminated),
// whatever its attributes; nullopt when there is none and for "".
std::optional<WIN32_FIND_DATAA> FindDirectoryEntry(const std::string& path);
