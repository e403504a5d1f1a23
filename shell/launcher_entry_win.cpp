#include <windows.h>

#include <commctrl.h>
#include <optional>

#include "shell/launcher_main_win.h"
#include "shell/main_window_win.h"
#include "shell/system_libraries_win.h"

// The launcher runs elevated, often from a download folder that anyone can write to: no DLL may be
// found there. The executable imports only DLLs the system always takes from its own folder, and
// loads the others from the system folder by full intent (shell/system_libraries_win.h).
namespace {

constexpr DWORD kCommonControlClasses = 0x706F;

using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
using InitCommonControlsExFn = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);

// Systems before the search-path update lack SetDefaultDllDirectories; they keep their default order.
void RestrictDllSearchToSystem() {
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    const auto setDefault = reinterpret_cast<SetDefaultDllDirectoriesFn>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")));
    if (setDefault != nullptr) setDefault(kSearchSystem32);
}

void RegisterCommonControlClasses() {
    const auto init = SystemFunction<InitCommonControlsExFn>("comctl32.dll", "InitCommonControlsEx");
    if (init == nullptr) return;
    INITCOMMONCONTROLSEX classes{};
    classes.dwSize = sizeof classes;
    classes.dwICC = kCommonControlClasses;
    init(&classes);
}

// COM (for ShellExecute) and the common controls take a good part of the start under Wine, and the
// window's first display needs neither: they follow once it is on screen, before it handles any input.
std::optional<ThreadCom> com;

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
