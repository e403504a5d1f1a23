// The launcher's one window and the window layer below its message handler.
//
// ShowMainWindow builds the fixed-size main window (heading, one framed group per catalogue row,
// home-page label, " E X I T " button, " All Exit " check box) from an in-memory dialog template,
// runs the launcher's only message loop and returns when the window has been destroyed.
// Every message of the window reaches MainWindowCallback first; the layer's defaults (control
// colours, the close command) apply afterwards.
//
// The placement operations work in dialog units of the window's font ("MS Sans Serif", 8 pt) on the
// window's outer rectangle, and are meant for the window placement code.
#pragma once

#include <windows.h>

#include <cstdint>

#include "shell/main_window_layout.h"

// Builds, shows and runs the window; `parent` (or none) becomes its owner. Returns the end value
// given to EndMainWindow (0 in the launcher), or 0 when the window cannot be created.
int32_t ShowMainWindow(HWND parent);

// Sends WM_CLOSE to the window (so its handler does its closing work), re-enables the owner, keeps
// `value` as the end value and destroys the window, which ends ShowMainWindow's loop.
void EndMainWindow(HWND window, int32_t value);

// Outer rectangle's left/top and width/height, converted from pixels to dialog units.
POINT MainWindowPosition(HWND window);
SIZE MainWindowSize(HWND window);

// Move (size and z-order unchanged) or resize (position and z-order unchanged) the outer rectangle,
// given in dialog units.
void SetMainWindowPosition(HWND window, int32_t x, int32_t y);
void SetMainWindowSize(HWND window, int32_t width, int32_t height);

// Asks for the window to be shown minimised. During the handler's WM_INITDIALOG this sets the show
// state of the first display to SW_MINIMIZE; after the first display it minimises at once.
void ShowMainWindowMinimized(HWND window);
