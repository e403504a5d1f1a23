// Put in a tool's place for the case of a tool that comes up minimised: "X.exe" shows one window that
// is minimised from its creation on (so no search can see it any other way), titled with the text of
// "X.title" beside it, and ends when the window is closed.
#include <windows.h>

#include <fstream>
#include <sstream>
#include <string>

namespace {

LRESULT CALLBACK ToolProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (length < 4 || length >= MAX_PATH) return 1;
    std::ifstream titleFile(std::string(path, length - 4) + ".title");
    std::ostringstream title;
    title << titleFile.rdbuf();

    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = ToolProcedure;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = "FunkelisMinimisedTool";
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    RegisterClassA(&windowClass);
    HWND window = CreateWindowExA(0, windowClass.lpszClassName, title.str().c_str(),
                                  WS_OVERLAPPEDWINDOW | WS_MINIMIZE | WS_VISIBLE, CW_USEDEFAULT,
                                  CW_USEDEFAULT, 320, 120, nullptr, nullptr, instance, nullptr);
    if (window == nullptr) return 1;
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 0;
}
