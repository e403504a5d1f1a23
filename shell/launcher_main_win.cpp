#include <windows.h>

#include "settings/program_stamp.h"
#include "settings/version_stamp.h"
#include "shell/launcher_main.h"
#include "shell/main_window.h"
#include "shell/main_window_layout.h"

int32_t LauncherMain() {
    if (FindWindowA(nullptr, MainWindowTitle) != nullptr) {
        MessageBoxA(nullptr, kRefusalText, kRefusalCaption, MB_OK | MB_ICONEXCLAMATION | MB_SETFOREGROUND);
        return 0;
    }
    // Before the window exists: the window reads its placement and option from the file.
    EnsureSettingsStamp(ProgramDate, ProgramVersion);
    ShowMainWindow(nullptr);
    return 0;
}
