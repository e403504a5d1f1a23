// Runs the real launcher from outside, as a user would: a fresh program folder holding a copy of the
// built executable, one process started there, its main window found by title, its exit code; and the
// window, keyboard and mouse helpers the tests drive it with.
// Waiting functions poll with generous time limits: under emulation one process start takes seconds.
// Every function reports failure through its result (false, nullptr, std::nullopt); none throws.
#pragma once

#include <windows.h>

#include <cstdint>
#include <deque>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

#include "driver/started_process_win.h"

// One launcher run in a fresh program folder. Creates the folder and copies the launcher when constructed
// (Ready() tells whether that worked); the destructor ends a process that is still running and removes the
// folder. Start runs the launcher there again once the previous process has ended (a repeated start).
class LauncherRun {
  public:
    // `parent` (a folder ending with a backslash) holds the fresh folder; empty: the temporary folder.
    explicit LauncherRun(const std::string& parent = {});
    ~LauncherRun();
    LauncherRun(const LauncherRun&) = delete;
    LauncherRun& operator=(const LauncherRun&) = delete;

    bool Ready() const { return !folder_.empty(); }
    // The program folder, ending with a backslash.
    const std::string& Folder() const { return folder_; }
    std::string PathOf(const std::string& fileName) const { return folder_ + fileName; }

    // Starts the launcher in the folder; again once the process started before has ended. With
    // `startFolder` the process starts there instead, as from a command prompt elsewhere; with
    // `seenAs` (ending with a backslash) it is started as seenAs + "FunkelisTools.exe", the same file
    // reached another way (a drive letter mapped to the folder).
    bool Start(const std::string& startFolder = {}, const std::string& seenAs = {});
    // Ends the process at once, as Task Manager or a power loss would; true once it has ended.
    bool Kill();
    // The visible top-level window titled `title` that belongs to the started process, or nullptr on
    // timeout or when the process ends first. A window counts once shown: it gets its title earlier.
    HWND WaitForWindow(const char* title, DWORD timeoutMs = 180000) const;
    // The same for the first window that shows with any of `titles` (the main window or a refusal box):
    // a start with the wrong outcome is seen as soon as that shows.
    HWND WaitForAnyWindow(std::initializer_list<const char*> titles, DWORD timeoutMs = 180000) const;
    // The exit code once the process has ended, or nullopt on timeout.
    std::optional<DWORD> WaitForExit(DWORD timeoutMs = 60000) const;
    bool Running() const;
    DWORD ProcessId() const { return process_.Id(); }

    // Contents of a file in the program folder, or nullopt when it cannot be read.
    std::optional<std::string> ReadFile(const std::string& fileName) const;
    bool FileExists(const std::string& fileName) const;

    // Facts that only the launcher's own process can read (fonts, icons), gathered there by the probe
    // hook library: the lines "windowFont <LOGFONT>", "control <id> <windowFont or LOGFONT>",
    // "text <id> <w>x<h> in <w>x<h>" (the control's text on one line in its font, and its client area),
    // "iconBig <w>x<h>", "iconSmall <w>x<h>"; a LOGFONT is its fields in declaration order, the face
    // name last, or "none"; and "bareNameFound 1" when a library asked for by its bare name,
    // kPlantedDllName, is found (beside the launcher, where a test plants it), else "bareNameFound 0".
    // nullopt when the probe does not answer.
    std::optional<std::string> ProbeWindow(HWND window) const;

  private:
    std::string folder_;
    StartedProcess process_;
};

// The names that appear in a folder from construction on, in their order: created, or given by a
// rename. The platform keeps the changes until they are asked for, so a name that exists only for a
// moment is never missed, however late the caller asks.
class FolderWatch {
  public:
    explicit FolderWatch(const std::string& folder);
    ~FolderWatch();
    FolderWatch(const FolderWatch&) = delete;
    FolderWatch& operator=(const FolderWatch&) = delete;

    // False when the folder cannot be watched (then Next never answers).
    bool Watching() const { return armed_; }
    // The next name that appeared, or nullopt when none does within `timeoutMs`.
    std::optional<std::string> Next(DWORD timeoutMs);

  private:
    bool Arm();
    void Collect(DWORD bytes);

    FileHandle folder_;
    KernelObject done_;
    OVERLAPPED pending_{};
    std::vector<DWORD> changes_ = std::vector<DWORD>(16384);
    std::deque<std::string> appeared_;
    bool armed_ = false;
};

// A drive letter that names `folder` for the programs started while it lives, so that the folder is a
// drive's root, as for a launcher on a stick. Under Wine a link in the prefix's dosdevices folder, which
// only a Unix program can make (Wine's DefineDosDevice reaches no file); elsewhere DefineDosDevice.
// Root() is the root ("R:\\"), or "" when no free letter could be mapped.
class MappedDrive {
  public:
    explicit MappedDrive(const std::string& folder);
    ~MappedDrive();
    MappedDrive(const MappedDrive&) = delete;
    MappedDrive& operator=(const MappedDrive&) = delete;
    const std::string& Root() const { return root_; }

  private:
    std::string root_;
    std::string link_; // Wine: the link's Unix path
};

// The name under which tests plant a library beside the launcher, where no library may be found.
inline constexpr char kPlantedDllName[] = "funkelis_planted.dll";

// The launcher built with these tests, as a Windows path; FUNKELIS_E2E_LAUNCHER in the environment
// (a host path) names another build of it instead, such as the signed release copy.
std::string LauncherPath();

// A host path as a Windows program under Wine sees it: "/x/y" becomes "Z:\x\y" (Wine shows the
// host's root as drive Z:); other paths only get backslashes.
std::string ToWindowsPath(std::string path);

// The thread's keyboard focus, seen from another process (nullptr when unknown).
HWND FocusOfThread(DWORD threadId);

// Brings `window` to the foreground so that synthesised keyboard input reaches it.
bool MakeForeground(HWND window);

// The client point at the centre of `control`, as a mouse message carries it.
LPARAM CentreOf(HWND control);

// A left click at the centre of `control`. Sent: returns once the launcher has done all it does for
// the click (it handles the command nested inside the button-up), or after `timeoutMs` per message.
void Click(HWND control, DWORD timeoutMs);

// Posted: for clicks that end in a modal message box, which would hold a sent click until it closes.
void PostClick(HWND control);

// Synthesised keyboard input: presses and releases each key in turn; modifiers are held around.
void PressKey(WORD virtualKey, const std::vector<WORD>& modifiers = {});

// Polls `condition` every 50 ms until it holds or `timeoutMs` passes; its last answer.
template <typename Condition> bool WaitUntil(Condition condition, DWORD timeoutMs = 10000) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    while (!condition()) {
        if (GetTickCount64() >= end) return condition();
        Sleep(50);
    }
    return true;
}
