// The text rules of tool deployment that need no platform: how folders, resource names and the
// record's file name are cleaned and judged before anything touches the disk. The writing itself is
// deploy_win.h.
//
// Paths handed to the platform hold at most kMaxPathChars characters (260-byte buffers).
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "base/path_limits.h"
#include "payload/payload_format.h"

// The resource that DeployCindrelTool deploys: row 2 of the tool catalogue, which checks the two agree.
inline constexpr std::string_view kCindrelResourceName = "Cindrel_exe_V2106_BIN_WFD_NTC";

// `text` up to its first NUL, at most `maxChars` characters.
std::string CutText(std::string_view text, size_t maxChars);

// True when nothing but NUL, TAB, LF, CR and blanks is left of the name.
bool IsBlankResourceName(std::string_view name);

// NUL and blanks removed at both ends, then trailing backslashes and slashes: the form in which a
// folder is looked up as a directory entry.
std::string TrimFolderForLookup(std::string_view path);

// A looked-up folder with trailing NUL, blank, backslash and slash characters removed, followed by
// exactly one backslash.
std::string FolderNormalForm(std::string_view lookedUpPath);

// True when a folder in lookup form (TrimFolderForLookup) is the root of a drive ("E:") or of a
// network share ("\\server\share"). A directory search finds no entry for a root, so a root is
// tested by its attributes instead; "\\server" alone and the device forms ("\\?\...", "\\.\...")
// are no roots here.
bool IsDriveOrShareRoot(std::string_view lookupForm);

// True when the text holds a character the directory search takes as a pattern (* ? < > "); such a
// lookup could find some other entry.
bool HasWildcard(std::string_view text);

// `folder` without trailing NUL and blanks when it then ends in a backslash, else "" (the bare file
// name is used then).
std::string UsableFolderText(std::string_view folder);

// The file name deployment writes for a record's cFileName: the name up to its first NUL (at most 260
// bytes), without everything up to and including its last colon or backslash (a slash does not
// separate), trailing NUL and blanks removed. "" (treated as blank) when nothing is left, when any part
// between slashes of that kept name is ".." (or only dots and blanks with two dots or more, which the
// platform folds to ".."), when the name is only dots and blanks, when it starts with a slash, or when
// it holds a wildcard: each of these would write outside the target folder or make the existence test
// find another entry. A ".." in the part that is cut away does no harm: "..\x.exe" gives "x.exe".
std::string DeployFileName(std::string_view recordFileName);

// folder + name, or nullopt when that exceeds kMaxPathChars.
std::optional<std::string> DeployTargetPath(std::string_view folder, std::string_view fileName);

// How many temporary names a tool has (DeployTemporaryPath's numbers 1 to this).
inline constexpr int kDeployTemporaryNames = 9;

// Where a missing tool's bytes are written before they take the name `targetPath`, number 1 to
// kDeployTemporaryNames: in the same folder, the tool's file name (the path's last part) with its last
// two characters replaced by '~' and the number's digit, so Marvolt.exe gives Marvolt.e~1 to
// Marvolt.e~9: the tool's path length, never a name that ends like a program. A name of one or two
// characters keeps its first one ("x" gives x~1). "" for a number whose name would be the tool's own
// (a tool named Tool.e~3 has no number 3). A deployment takes the first of these names that is free; a
// regular file left under one of them is what a killed deployment leaves behind.
std::string DeployTemporaryPath(std::string_view targetPath, int number);

// True when `entryName` (a directory entry's name, without folder) is one of the temporary names of
// the tool at `targetPath`.
bool IsDeployTemporaryName(std::string_view targetPath, std::string_view entryName);
