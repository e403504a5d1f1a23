#include "driver/launcher_harness_win.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>

namespace {

std::string CreateFreshFolder(std::string temp) {
    if (temp.empty()) {
        char tempFolder[MAX_PATH];
        if (GetTempPathA(MAX_PATH, tempFolder) == 0) return {};
        temp = tempFolder;
    }
    static int counter = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::ostringstream name;
        name << temp << "funkelis-e2e-" << GetCurrentProcessId() << '-' << GetTickCount() << '-' << ++counter;
        if (CreateDirectoryA(name.str().c_str(), nullptr)) return name.str() + "\\";
    }
    return {};
}

void RemoveFolder(const std::string& folder) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = found.cFileName;
            if (name == "." || name == "..") continue;
            const std::string path = folder + name;
            SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveFolder(path + "\\");
            } else {
                DeleteFileA(path.c_str());
            }
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(folder.c_str());
}

struct WindowSearch {
    std::initializer_list<const char*> titles;
    DWORD processId;
    HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<WindowSearch*>(context);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search->processId) return TRUE;
    char title[256];
    GetWindowTextA(window, title, sizeof title);
    const auto matches = [&title](const char* wanted) { return std::string(title) == wanted; };
    if (!IsWindowVisible(window) || std::none_of(search->titles.begin(), search->titles.end(), matches))
        return TRUE;
    search->found = window;
    return FALSE;
}

// Wine hands out no handle of a Unix program it starts, so the caller watches for its effect: whether
// `root` exists, which Wine notices within a second.
bool RunUntilRootIs(const std::string& commandLine, const std::string& root, bool present) {
    StartProcess(commandLine);
    return WaitUntil([&] { return (GetFileAttributesA(root.c_str()) != INVALID_FILE_ATTRIBUTES) == present; },
                     30000);
}

} // namespace

MappedDrive::MappedDrive(const std::string& folder) {
    const DWORD used = GetLogicalDrives();
    char letter = 'R';
    while (letter < 'Z' && (used & (DWORD{1} << (letter - 'A'))) != 0) ++letter;
    if (letter == 'Z') return;
    const std::string drive{letter, ':'};
    using UnixFileName = char*(CDECL*)(LPCWSTR);
    const auto unixFileName = reinterpret_cast<UnixFileName>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    const char* prefix = std::getenv("WINEPREFIX");
    if (unixFileName == nullptr || prefix == nullptr) {
        if (DefineDosDeviceA(0, drive.c_str(), folder.c_str())) root_ = drive + "\\";
        return;
    }
    char* target = unixFileName(std::wstring(folder.begin(), folder.end()).c_str());
    if (target == nullptr) return;
    link_ = std::string(prefix) + "/dosdevices/" + static_cast<char>(letter - 'A' + 'a') + ":";
    if (RunUntilRootIs("/bin/ln -s \"" + std::string(target) + "\" \"" + link_ + "\"", drive + "\\", true)) {
        root_ = drive + "\\";
    } else {
        link_.clear();
    }
    HeapFree(GetProcessHeap(), 0, target);
}

MappedDrive::~MappedDrive() {
    if (!link_.empty()) {
        RunUntilRootIs("/bin/rm -f \"" + link_ + "\"", root_, false);
    } else if (!root_.empty()) {
        DefineDosDeviceA(DDD_REMOVE_DEFINITION, root_.substr(0, 2).c_str(), nullptr);
    }
}

std::string ToWindowsPath(std::string path) {
    if (!path.empty() && path.front() == '/') path = "Z:" + path;
    for (char& c : path) {
        if (c == '/') c = '\\';
    }
    return path;
}

std::string LauncherPath() {
    const char* other = std::getenv("FUNKELIS_E2E_LAUNCHER");
    return ToWindowsPath(other != nullptr && *other != '\0' ? other : FUNKELIS_LAUNCHER_PATH);
}

LauncherRun::LauncherRun(const std::string& parent) {
    folder_ = CreateFreshFolder(parent);
    if (folder_.empty()) return;
    if (!CopyFileA(LauncherPath().c_str(), PathOf("FunkelisTools.exe").c_str(), TRUE)) {
        RemoveFolder(folder_);
        folder_.clear();
    }
}

LauncherRun::~LauncherRun() {
    process_.EndIfRunning(30000);
    if (!folder_.empty()) RemoveFolder(folder_);
}

bool LauncherRun::Start(const std::string& startFolder, const std::string& seenAs) {
    if (!Ready() || Running()) return false;
    const std::string program = (seenAs.empty() ? folder_ : seenAs) + "FunkelisTools.exe";
    process_ = StartProcess("\"" + program + "\"", startFolder.empty() ? folder_ : startFolder);
    return process_.Started();
}

bool LauncherRun::Kill() {
    if (!process_.Started()) return false;
    process_.EndIfRunning(30000);
    return !process_.Running();
}

bool LauncherRun::Running() const { return process_.Running(); }

HWND LauncherRun::WaitForWindow(const char* title, DWORD timeoutMs) const {
    return WaitForAnyWindow({title}, timeoutMs);
}

HWND LauncherRun::WaitForAnyWindow(std::initializer_list<const char*> titles, DWORD timeoutMs) const {
    WindowSearch search{titles, process_.Id(), nullptr};
    WaitUntil(
        [&] {
            EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
            return search.found != nullptr || !Running();
        },
        timeoutMs);
    return search.found;
}

std::optional<DWORD> LauncherRun::WaitForExit(DWORD timeoutMs) const {
    return process_.WaitForExit(timeoutMs);
}

std::optional<std::string> LauncherRun::ReadFile(const std::string& fileName) const {
    std::ifstream in(PathOf(fileName), std::ios::binary);
    if (!in) return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool LauncherRun::FileExists(const std::string& fileName) const {
    const DWORD attributes = GetFileAttributesA(PathOf(fileName).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::optional<std::string> LauncherRun::ProbeWindow(HWND window) const {
    HMODULE library = LoadLibraryA(ToWindowsPath(FUNKELIS_WINDOW_PROBE_PATH).c_str());
    if (library == nullptr) return std::nullopt;
    auto hook =
        reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(GetProcAddress(library, "WindowProbeHook")));
    const DWORD thread = GetWindowThreadProcessId(window, nullptr);
    HHOOK installed = hook != nullptr ? SetWindowsHookExA(WH_GETMESSAGE, hook, library, thread) : nullptr;
    std::optional<std::string> answer;
    if (installed != nullptr) {
        DeleteFileA(PathOf("window-probe.txt").c_str());
        PostMessageA(window, RegisterWindowMessageA("FunkelisWindowProbe"), 0, 0);
        if (WaitUntil([&] { return FileExists("window-probe.txt"); }, 60000))
            answer = ReadFile("window-probe.txt");
        UnhookWindowsHookEx(installed);
    }
    FreeLibrary(library);
    return answer;
}

FolderWatch::FolderWatch(const std::string& folder)
    : folder_(CreateFileA(folder.c_str(), FILE_LIST_DIRECTORY,
                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                          FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED, nullptr)),
      done_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {
    armed_ = folder_.Valid() && done_.Valid() && Arm();
}

FolderWatch::~FolderWatch() {
    if (!armed_) return;
    // The platform writes into changes_ until the request has ended.
    CancelIo(folder_.Get());
    DWORD bytes = 0;
    GetOverlappedResult(folder_.Get(), &pending_, &bytes, TRUE);
}

bool FolderWatch::Arm() {
    pending_ = OVERLAPPED{};
    pending_.hEvent = done_.Get();
    ResetEvent(done_.Get());
    return ReadDirectoryChangesW(folder_.Get(), changes_.data(),
                                 static_cast<DWORD>(changes_.size() * sizeof(DWORD)), FALSE,
                                 FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME, nullptr,
                                 &pending_, nullptr) != FALSE;
}

void FolderWatch::Collect(DWORD bytes) {
    const char* at = reinterpret_cast<const char*>(changes_.data());
    for (const char* end = at + bytes; at < end;) {
        const auto* change = reinterpret_cast<const FILE_NOTIFY_INFORMATION*>(at);
        if (change->Action == FILE_ACTION_ADDED || change->Action == FILE_ACTION_RENAMED_NEW_NAME) {
            char name[MAX_PATH] = {};
            WideCharToMultiByte(CP_ACP, 0, change->FileName, static_cast<int>(change->FileNameLength / 2),
                                name, MAX_PATH - 1, nullptr, nullptr);
            appeared_.push_back(name);
        }
        if (change->NextEntryOffset == 0) break;
        at += change->NextEntryOffset;
    }
}

std::optional<std::string> FolderWatch::Next(DWORD timeoutMs) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    while (appeared_.empty() && armed_) {
        const ULONGLONG now = GetTickCount64();
        if (WaitForSingleObject(done_.Get(), now < end ? static_cast<DWORD>(end - now) : 0) != WAIT_OBJECT_0)
            return std::nullopt;
        DWORD bytes = 0;
        armed_ = GetOverlappedResult(folder_.Get(), &pending_, &bytes, FALSE) != FALSE;
        if (armed_) Collect(bytes);
        armed_ = armed_ && Arm();
    }
    if (appeared_.empty()) return std::nullopt;
    std::string next = appeared_.front();
    appeared_.pop_front();
    return next;
}

HWND FocusOfThread(DWORD threadId) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(threadId, &info)) return nullptr;
    return info.hwndFocus;
}

bool MakeForeground(HWND window) {
    const DWORD target = GetWindowThreadProcessId(window, nullptr);
    const DWORD own = GetCurrentThreadId();
    AttachThreadInput(own, target, TRUE);
    SetForegroundWindow(window);
    AttachThreadInput(own, target, FALSE);
    return WaitUntil([&] { return GetForegroundWindow() == window; });
}

LPARAM CentreOf(HWND control) {
    RECT area{};
    GetClientRect(control, &area);
    return MAKELPARAM(area.right / 2, area.bottom / 2);
}

void Click(HWND control, DWORD timeoutMs) {
    DWORD_PTR answer = 0;
    SendMessageTimeoutA(control, WM_LBUTTONDOWN, MK_LBUTTON, CentreOf(control), SMTO_NORMAL, timeoutMs,
                        &answer);
    SendMessageTimeoutA(control, WM_LBUTTONUP, 0, CentreOf(control), SMTO_NORMAL, timeoutMs, &answer);
}

void PostClick(HWND control) {
    PostMessageA(control, WM_LBUTTONDOWN, MK_LBUTTON, CentreOf(control));
    PostMessageA(control, WM_LBUTTONUP, 0, CentreOf(control));
}

void PressKey(WORD virtualKey, const std::vector<WORD>& modifiers) {
    std::vector<INPUT> inputs;
    auto add = [&](WORD key, DWORD flags) {
        INPUT input{};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = key;
        input.ki.dwFlags = flags;
        inputs.push_back(input);
    };
    for (WORD modifier : modifiers) add(modifier, 0);
    add(virtualKey, 0);
    add(virtualKey, KEYEVENTF_KEYUP);
    for (auto it = modifiers.rbegin(); it != modifiers.rend(); ++it) add(*it, KEYEVENTF_KEYUP);
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}
