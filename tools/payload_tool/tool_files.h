// payload-tool's file access: whole files read at once, only when they are regular files, and files
// written so that a failure never leaves a partial one under the final name. Paths are UTF-8 on every
// platform (command_line.h).
#pragma once

#include <optional>
#include <string>
#include <string_view>

// The whole of the regular file at `path`; anything else (a directory, a device such as /dev/zero, a
// FIFO) is refused at once instead of read for ever. nullopt with `error` (the system's reason) on
// failure.
std::optional<std::string> ReadWholeFile(const std::string& path, std::string& error);

// Writes `bytes` to a new file beside `path` and renames it over `path`, so that `path` is either what it
// was or the whole new file. The new file takes the first free name of PATH.partial, PATH.partial.1, ...
// and is created exclusively: whatever is found at such a name, a planted link included, is neither
// followed nor overwritten. On failure the new file is removed and `error` says why.
bool WriteAtomically(const std::string& path, std::string_view bytes, std::string& error);

// The last part of `path` (after its last slash or backslash).
std::string BareFileName(const std::string& path);
