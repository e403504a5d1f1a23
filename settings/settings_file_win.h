// The running executable's folder and settings file, and thin access to the file through the
// platform's profile (INI) functions. The pure path rules are in settings_file.h.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "settings/settings_file.h"

// The running executable's full path in its long form: PreferLongPath of what GetModuleFileNameA and
// GetLongPathNameA give into 520-character fields.
std::string ExecutablePath();

// ProgramFolderOf(ExecutablePath()).
std::string ProgramFolder();

// ProfilePathOf(SettingsPathOf(ExecutablePath(), extension)) with the platform's UpperCaseText, derived
// afresh on every call; "" when it is too long.
std::string SettingsPath(std::string_view extension);

// SettingsPath("ini"): the launcher's one settings file, for every reader and writer.
std::string SettingsFilePath();

// True when FindDirectoryEntry finds an entry, whatever its attributes (hidden, system, read-only,
// folder).
bool SettingsFileExists(const std::string& path);

// The key's value as GetPrivateProfileStringA gives it into a buffer of `bufferSize` characters (260 or
// 520 here: at most bufferSize - 1 are kept), or `defaultText` when file, section or key are missing or
// the path is "".
std::string ReadProfileText(const std::string& path, const char* section, const char* key,
                            const char* defaultText, size_t bufferSize);

// WriteProfileText / WriteProfileSection write one key, or replace a whole section with `entries`
// (key=value lines); failures are silent, and nothing is written for an empty path (the platform would
// fall back to the Windows folder).
void WriteProfileText(const std::string& path, const char* section, const char* key,
                      const std::string& value);
void WriteProfileSection(const std::string& path, const char* section, const std::string& entries);
