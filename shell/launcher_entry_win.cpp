#include <windows.h>

// The process entry point. The main window and start-up are still to come; until then the
// executable starts and ends at once with exit code 0.
int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return 0; }
