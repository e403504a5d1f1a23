// The operations on the main window that the placement follower (window_placement_win.h) needs, and
// nothing more. The window layer (shell/main_window_win.cpp) provides them; declaring them here keeps
// the settings code from depending on the shell.
//
// Positions and sizes are in dialog units of the window's font ("MS Sans Serif", 8 pt) and belong to
// the window's outer rectangle.
#pragma once

#include <windows.h>

#include <cstdint>

// The outer rectangle's left/top.
POINT MainWindowPosition(HWND window);

// The outer rectangle's width/height.
SIZE MainWindowSize(HWND window);

// Moves the window; size and z-order unchanged.
void SetMainWindowPosition(HWND window, int32_t x, int32_t y);

// Resizes the window; position and z-order unchanged.
void SetMainWindowSize(HWND window, int32_t width, int32_t height);

// The width/height of the work area of the monitor the window is on (the nearest one), in the most
// whole dialog units that fit it; 0 x 0 when the platform cannot tell.
SIZE MainWindowWorkAreaSize(HWND window);

// During the handler's WM_INITDIALOG: the first display shows the window minimised; after the first
// display: minimises it at once.
void ShowMainWindowMinimized(HWND window);

// When the window's caption bar lies on no monitor's work area, moves the window (size kept) as
// ReachableWindowRect says; true when it moved.
bool BringMainWindowOnScreen(HWND window);
