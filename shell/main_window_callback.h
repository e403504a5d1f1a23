// The main window's message handler: every message of the window reaches it before the window
// layer's own processing. A result of 0 means "not handled", so the layer's defaults apply.
#pragma once

#include <windows.h>

#include <cstdint>

// Answers 0 for every message.
int32_t MainWindowCallback(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
