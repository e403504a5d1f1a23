#include <windows.h>

#include "shell/main_window.h"

// Interim entry point: shows the main window until it is closed. Start-up proper replaces it.
int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    ShowMainWindow(nullptr);
    ExitProcess(0);
}
