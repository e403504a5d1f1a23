// Where the settings file lives and thin access to it through the platform's profile (INI) functions.
//
// ProgramFolderOf / SettingsPathOf are the pure derivations from an executable's full path:
//   ProgramFolderOf  the path up to and including its last backslash; "" when it has none.
//   SettingsPathOf   a path ending in ".exe" (any case) keeps its point and gets `extension` in place
//                    of the three letters; any other path gets "." + `extension` appended, so the
//                    settings path is never the executable itself. "" for an empty path.
//   FitField         `text` when it fits a character field of `fieldSize` (with its NUL), else "":
//                    a path cut to the field would name some other file.
//   ModulePathOf     the path in a module-path `field` of which the platform reported `reportedLength`
//                    characters: FitField of that text, so "" when the report is 0 or fills the whole
//                    field (the platform cut the path).
//
// On Windows (settings_file_win.cpp):
//   ExecutablePath   the running executable's full path: ModulePathOf a 520-character field.
//   ProgramFolder    ProgramFolderOf(ExecutablePath()).
//   SettingsPath     SettingsPathOf(ExecutablePath(), extension), derived afresh on every call.
//   SettingsFileExists  true when a directory search for the exact path yields an entry, whatever
//                    its attributes (hidden, system, read-only, folder); false for "".
//   ReadProfileText  the key's value as GetPrivateProfileStringA gives it into a buffer of
//                    `bufferSize` characters (260 or 520 here: at most bufferSize - 1 are kept),
//                    or `defaultText` when file, section or key are missing or the path is "".
//   WriteProfileText / WriteProfileSection  write one key, or replace a whole section with
//                    `entries` (key=value lines); failures are silent, and nothing is written for
//                    an empty path (the platform would fall back to the Windows folder).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

inline constexpr size_t kModulePathField = 520;
inline constexpr size_t kPlacementPathField = 260;
inline constexpr size_t kStampPathField = 520;

std::string ProgramFolderOf(std::string_view exePath);
std::string SettingsPathOf(std::string_view exePath, std::string_view extension);
std::string FitField(std::string text, size_t fieldSize);
std::string ModulePathOf(std::string_view field, size_t reportedLength);

std::string ExecutablePath();
std::string ProgramFolder();
std::string SettingsPath(std::string_view extension);
bool SettingsFileExists(const std::string& path);

std::string ReadProfileText(const std::string& path, const char* section, const char* key,
                            const char* defaultText, size_t bufferSize);
void WriteProfileText(const std::string& path, const char* section, const char* key,
                      const std::string& value);
void WriteProfileSection(const std::string& path, const char* section, const std::string& entries);
