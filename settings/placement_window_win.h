// The operations on the main window that the placement follower (window_placement_win.h) needs, and
// nothing more. The window layer (shell/main_window_win.cpp) provides them; declaring them here keeps
// the settings code from depending on the shell.
//
// Positions and sizes are in dialog units of the window's font ("MS Sans Serif", 8 pt) and belong to
// the window's outer rectangle.
//
// MainWindowPosition / MainWindowSize  the outer rectangle's left/top and width/height.
// SetMainWindowPosition  moves the window; size and z-order unchanged.
// SetMainWindowSize      resizes the window; position and z-order unchanged.
// ShowMainWindowMinimized  during the handler's WM_INITDIALOG: the first display shows the window
//     minimised; after the first display: minimises it at once.
// BringMainWindowOnScreen  when the window's caption bar lies on no monitor's work area, moves the
//     window (size kept) as ReachableWindowRect says; true when it moved.
#pragma once

#include <windows.h>

#include <cstdint>

POINT MainWindowPosition(HWND window);
SIZE MainWindowSize(HWND window);
void SetMainWindowPosition(HWND window, int32_t x, int32_t y);
void SetMainWindowSize(HWND window, int32_t width, int32_t height);
void ShowMainWindowMinimized(HWND window);
bool BringMainWindowOnScreen(HWND window);
