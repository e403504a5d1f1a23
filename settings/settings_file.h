// Where the settings file lives: the pure derivations from an executable's full path. The access
// through the platform's profile (INI) functions is in settings_file_win.h.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "base/path_limits.h"
#include "base/text_ops.h"

// The field the running executable's path is read into (ExecutablePath), and the field of the
// longest path the profile functions take, its NUL included (ProfilePathOf).
inline constexpr size_t kModulePathField = 520;
inline constexpr size_t kProfilePathField = kPathBufferChars;

// The path up to and including its last backslash; "" when it has none.
std::string ProgramFolderOf(std::string_view exePath);

// The upper-casing that SettingsPathOf compares the extension with: the platform's on Windows.
using UpperCaser = std::string (*)(std::string_view);

// A path ending in ".exe" (any case, as `upperCase` sees it) keeps its point and gets `extension` in
// place of the three letters; any other path gets "." + `extension` appended, so the settings path is
// never the executable itself. "" for an empty path.
std::string SettingsPathOf(std::string_view exePath, std::string_view extension,
                           UpperCaser upperCase = AsciiUpperCase);

// `text` when it fits a character field of `fieldSize` (with its NUL), else "": a path cut to the
// field would name some other file.
std::string FitField(std::string text, size_t fieldSize);

// The path in a module-path `field` of which the platform reported `reportedLength` characters: FitField
// of that text, so "" when the report is 0 or fills the whole field (the platform cut the path).
std::string ModulePathOf(std::string_view field, size_t reportedLength);

// The path the program folder and the settings file are derived from: the long form of the module's
// `loadedPath` that the platform reported `reportedLength` characters of into `longField` (ModulePathOf);
// `loadedPath` itself when that report is 0 or does not fit. A launcher started through its 8.3 short
// path (C:\PROGRA~1\FUNKEL~1\FUNKEL~1.EXE) thus keeps the one settings file of its long name. "" for
// an empty `loadedPath` (the module path was cut).
std::string PreferLongPath(std::string loadedPath, std::string_view longField, size_t reportedLength);

// `settingsPath` when the profile functions can take it (at most 259 characters), else "": then there
// is no settings file at all, for every reader and writer.
std::string ProfilePathOf(std::string settingsPath);
