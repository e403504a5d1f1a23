#include "settings/window_placement_win.h"

#include <windows.h>

#include "base/text_ops.h"
#include "settings/placement_window_win.h"
#include "settings/settings_file_win.h"

namespace {

constexpr char kPlacementSection[] = "HmWinPos";
constexpr size_t kValueBuffer = 260;

PlacementRecord HmWinPos;
int32_t DesignW = 0;
int32_t DesignH = 0;

void TakeCurrentPlacement(HWND window) {
    const POINT position = MainWindowPosition(window);
    const SIZE size = MainWindowSize(window);
    HmWinPos.X = position.x;
    HmWinPos.Y = position.y;
    HmWinPos.W = size.cx;
    HmWinPos.H = size.cy;
}

void RestorePlacement(HWND window) {
    const SIZE design = MainWindowSize(window);
    DesignW = design.cx;
    DesignH = design.cy;
    const std::string path = SettingsFilePath();
    if (!SettingsFileExists(path)) {
        TakeCurrentPlacement(window);
        return;
    }
    std::array<std::string, 5> stored;
    for (size_t i = 0; i < stored.size(); ++i) {
        stored[i] = ReadProfileText(path, kPlacementSection, kPlacementKeys[i], "", kValueBuffer);
    }
    const PlacementRestore restore = PlanPlacementRestore(HmWinPos, stored, DesignW, DesignH);
    if (restore.move) SetMainWindowPosition(window, HmWinPos.X, HmWinPos.Y);
    if (restore.resize) {
        // A size stored far beyond the screen would overflow the conversion to pixels, and no screen
        // shows it anyway; the close then stores the fitted size.
        const SIZE workArea = MainWindowWorkAreaSize(window);
        FitSizeToWorkArea(HmWinPos, DesignW, DesignH, workArea.cx, workArea.cy);
        SetMainWindowSize(window, HmWinPos.W, HmWinPos.H);
    }
    if (restore.minimise) ShowMainWindowMinimized(window);
    if (restore.takeCurrent) TakeCurrentPlacement(window);
}

void WritePlacement() {
    const std::string path = SettingsFilePath();
    const int32_t values[] = {HmWinPos.X, HmWinPos.Y, HmWinPos.W, HmWinPos.H, HmWinPos.Minm};
    for (size_t i = 0; i < kPlacementKeys.size(); ++i) {
        WriteProfileText(path, kPlacementSection, kPlacementKeys[i], FormatInteger(values[i]));
    }
}

} // namespace

void TrackWindowPlacement(HWND window, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        RestorePlacement(window);
        // The close then stores the position on the screen, so that later starts are there too.
        if (BringMainWindowOnScreen(window)) TakeCurrentPlacement(window);
        break;
    case WM_EXITSIZEMOVE:
        TakeCurrentPlacement(window);
        break;
    case WM_SIZE:
        HmWinPos.Minm = static_cast<int32_t>(wParam);
        break;
    case WM_SYSCOMMAND:
        // The command has not taken effect yet: a minimise still sees the restored window here.
        if (HmWinPos.Minm == 0) TakeCurrentPlacement(window);
        break;
    case WM_CLOSE:
        WritePlacement();
        break;
    default:
        break;
    }
}
