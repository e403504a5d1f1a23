#include "shell/main_window_callback.h"

int32_t MainWindowCallback(HWND, UINT, WPARAM, LPARAM) { return 0; }
