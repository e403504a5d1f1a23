// Keeps the main window's placement for the run, restores it from the settings file when the window
// is initialised and writes it back at the window's close message. It reaches the window only through
// the operations of placement_window_win.h; the rules it applies are in window_placement.h.
#pragma once

#include <windows.h>

#include "settings/window_placement.h"

// Called first for every message of the main window; no result. Reads the file at WM_INITDIALOG and
// then, when the window's caption bar lies on no monitor's work area, moves it as ReachableWindowRect
// says and takes the current placement; follows the window at WM_EXITSIZEMOVE, WM_SIZE and
// WM_SYSCOMMAND, and writes the five keys at WM_CLOSE. Profile failures are silent.
void TrackWindowPlacement(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
