#include <windows.h>

#include <commctrl.h>
#include <optional>
#include <string>

#include "settings/owned_handles_win.h"
#include "shell/launcher_main_win.h"
#include "shell/main_window_win.h"

// The launcher runs elevated, often from a download folder that anyone can write to: no DLL may be
// found there. The executable imports only DLLs the system always takes from its own folder, and
// comctl32 is loaded from the system folder by full intent.
namespace {

constexpr DWORD kSearchSystem32 = 0x00000800; // LOAD_LIBRARY_SEARCH_SYSTEM32
constexpr DWORD kCommonControlClasses = 0x706F;

using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
using InitCommonControlsExFn = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);

template <typename Function> Function ProcAddress(HMODULE module, const char* name) {
    if (module == nullptr) return nullptr;
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// Systems before the search-path update lack SetDefaultDllDirectories; they keep their default order.
void RestrictDllSearchToSystem() {
    const auto setDefault =
        ProcAddress<SetDefaultDllDirectoriesFn>(GetModuleHandleA("kernel32.dll"), "SetDefaultDllDirectories");
    if (setDefault != nullptr) setDefault(kSearchSystem32);
}

HMODULE LoadSystemCommonControls() {
    HMODULE module = LoadLibraryExA("comctl32.dll", nullptr, kSearchSystem32);
    if (module != nullptr) return module;
    // Without the search flags, a full path into the system folder is just as safe.
    char folder[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryA(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH - 14) return nullptr;
    const std::string path = std::string(folder, length) + "\\comctl32.dll";
    return LoadLibraryA(path.c_str());
}

void RegisterCommonControlClasses() {
    const auto init = ProcAddress<InitCommonControlsExFn>(LoadSystemCommonControls(), "InitCommonControlsEx");
    if (init == nullptr) return;
    INITCOMMONCONTROLSEX classes{};
    classes.dwSize = sizeof classes;
    classes.dwICC = kCommonControlClasses;
    init(&classes);
}

// COM (for ShellExecute) and the common controls take a good part of the start under Wine, and the
// window's first display needs neither: they follow once it is on screen, before it handles any input.
std::optional<ComScope> com;

void FinishStartOnceShown() {
    com.emplace();
    RegisterCommonControlClasses();
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    RestrictDllSearchToSystem();
    GetModuleHandleA(nullptr); // the window layer takes the instance handle the same way
    RunOnceShown(FinishStartOnceShown);
    const int32_t result = LauncherMain();
    // COM is released before the process ends, not by it.
    com.reset();
    ExitProcess(static_cast<UINT>(result));
}
