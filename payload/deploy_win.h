// Deployment: writes one carried tool into a folder with its recorded attributes and time. The text
// rules it applies first are deploy_paths.h's.
//
// Results are 1 (done) or 0 (not done). Over an existing file the write runs its steps to the end
// whatever fails on the way (content, then attributes, then the three times); a folder in the tool's
// place is left as it is. A final directory lookup of the target alone decides the result. Paths longer than
// 259 characters are refused, never overflowed.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "payload/deploy_paths.h"
#include "payload/resource_store.h"

// The failure message box that DeployTool shows.
inline constexpr const char* kDeployFailureText =
    "Fehler! --> Datei konnte nicht erstellt werden, \r\nwahrscheinlich fehlende Administrator rechte.";
inline constexpr const char* kDeployFailureCaption = " Fehler!";

// The style of the two message boxes the main window owns: this one and the missing-tool message
// (shell/main_window_callback_win.cpp). The refused second start has no owner and a style of its own.
inline constexpr UINT kDeployFailureStyle = MB_OK | MB_TASKMODAL | MB_SETFOREGROUND;

// DeployTool's target kinds and its one mode.
inline constexpr int32_t kDeployToProgramFolder = 1;
inline constexpr int32_t kDeployToSysWow64 = 2;
inline constexpr int32_t kDeployToSystem32 = 3;
inline constexpr int32_t kDeployWrite = 1;

// 1 when the tool's file exists after the call. Silent 0 for a blank resource name (only NUL, TAB, LF,
// CR, blanks), a targetKind other than 1 (program folder), 2 (SysWow64) or 3 (System32), a target
// folder that does not pass its test, and a mode other than 1. When DeployPayload gives 0, the failure
// message box (owned by `owner`, modal) is shown and 0 returned after it is closed.
int32_t DeployTool(HWND ownerWindow, int32_t targetKind, int32_t mode, std::string_view resourceName);

// DeployTool for row 2's fixed resource name, without the blank-name test.
int32_t DeployCindrelTool(HWND ownerWindow, int32_t targetKind, int32_t mode);

// Reads the payload from the own module and writes its file into `targetFolder` (which must end in a
// backslash and hold at least one entry, else the bare name goes to the current folder). 0 for a name
// without payload ending, an invalid payload, a blank or unsafe record file name (see DeployFileName), a
// target path over 259 characters, or no entry at the target after writing. A missing target is first
// written complete into a file the call creates itself under a free temporary name (DeployTemporaryPath;
// leftovers of killed deployments, regular files of those names, are deleted first, any other entry
// there is left alone), given the record's times (a time the file system refuses is skipped), flushed,
// closed, renamed to its name (never over an entry that took the name meanwhile) and given its
// attributes; on any failure the temporary file is removed and the result is 0. An existing file is
// written in place: a write that stops short of the image deletes the file, so it is reported as not
// written; one that cannot be opened at all (read-only, held open) keeps its content. A folder at the
// target is left untouched, attributes included, and gives 1. Shows nothing.
int32_t DeployPayload(std::string_view resourceName, std::string_view targetFolder);

// DeployPayload over any resource store (the own module's in DeployPayload).
int32_t DeployPayloadFrom(const ResourceStore& store, std::string_view resourceName,
                          std::string_view targetFolder);

// Puts `carried` under `target` complete or not at all, through a file the call creates itself under a
// free temporary name (as DeployPayload does for a missing target, leftovers of killed runs deleted
// first), filled with the bytes and the record's times, flushed: then that file takes the name in one
// step, with `replace` over a file found there (MoveFileExA, MOVEFILE_REPLACE_EXISTING |
// MOVEFILE_WRITE_THROUGH), without it only while the name is free; then the recorded times again and
// the record's attributes. True when the move succeeded. On any failure the temporary file is removed
// and whatever is at `target` stays exactly as it was; a kill at any moment leaves the old or the new
// complete file under the name.
bool PutCarriedFile(const std::string& target, const CarriedFile& carried, bool replace);

// 1 when `path` (NUL and blanks trimmed, trailing separators dropped) names an existing folder, the
// root of a drive or share ("E:\\", "\\\\server\\share\\") included; the path is then rewritten in normal
// form (one trailing backslash). 0 leaves it unchanged.
int32_t ProbeFolder(std::string& path);

// ProbeSystem32Folder / ProbeSysWow64Folder: 1 and the Windows folder's System32 (SysWow64) folder in
// normal form when it exists; else 0 and "". The launcher is a 32-bit program: on 32-bit Windows
// System32 is the system folder and SysWow64 does not exist (0); on 64-bit Windows both exist and,
// since the file system shows this process SysWow64 under the name System32, both name the same
// folder, the 32-bit system folder. The launcher itself uses neither.
int32_t ProbeSystem32Folder(std::string& folder);
int32_t ProbeSysWow64Folder(std::string& folder);

// Test seam: SetDeployMessageBoxForTest replaces MessageBoxA for the failure message (nullptr restores
// it), so tests can count messages without a modal box. Not for product code.
using DeployMessageBoxFn = int(WINAPI*)(HWND owner, LPCSTR text, LPCSTR caption, UINT style);
void SetDeployMessageBoxForTest(DeployMessageBoxFn messageBox);
