// The launcher's one window and the window layer below its message handler (MainWindowCallback, which
// sees every message first; the layer's defaults, such as control colours and the close command, apply
// afterwards). The window's design is main_window_layout.h's.
//
// The layer also provides the operations that the placement follower needs
// (settings/placement_window_win.h).
#pragma once

#include <windows.h>

#include <cstdint>

#include "settings/placement_window_win.h"
#include "shell/main_window_layout.h"

// Builds the fixed-size main window (heading, one framed group per catalogue row, home-page label,
// " E X I T " button, " All Exit " check box) from an in-memory dialog template, shows it and runs the
// launcher's only message loop until the window has been destroyed (the dialog manager's keyboard
// navigation, with the arrow keys kept on the tab stops); `parent` (or none) becomes its
// owner. Returns the end value given to EndMainWindow (0 in the launcher), or 0 when the window cannot
// be created.
int32_t ShowMainWindow(HWND parent);

// Start-up work that the window's first display does not need: ShowMainWindow's loop runs `task` once,
// after the window is on screen and before the window handles any message but its painting.
void RunOnceShown(void (*task)());

// Sends WM_CLOSE to the window (so its handler does its closing work), re-enables the owner, keeps
// `value` as the end value and destroys the window, which ends ShowMainWindow's loop.
void EndMainWindow(HWND window, int32_t value);
