// A stand-in for one of the five tools the launcher carries: a plain window with the tool's exact
// title, so that the launcher finds, raises and closes it as it would the real tool. Which tool it
// plays is chosen at compile time by FUNKELIS_STANDIN_ROW (1 to 5, the catalogue row).
//
// Command-line switches, for tests that need a tool behaving unusually:
//   /minimized  the window comes up minimised
//   /nowindow   no window at all; the process waits kNoWindowLifetimeMs and then ends
// Without a switch the window is shown with the show command the starter asked for.
// The exit code is always 0.
#include <windows.h>

#include <initializer_list>
#include <string_view>

#include "shell/tool_catalogue.h"

#ifndef FUNKELIS_STANDIN_ROW
#error "FUNKELIS_STANDIN_ROW must name the catalogue row (1 to 5)"
#endif
static_assert(FUNKELIS_STANDIN_ROW >= 1 && FUNKELIS_STANDIN_ROW <= kToolCount);

namespace {

constexpr char kWindowClass[] = "FunkelisStandInTool";
constexpr DWORD kNoWindowLifetimeMs = 30'000;
constexpr int kWindowWidth = 420;
constexpr int kWindowHeight = 170;
constexpr int kMargin = 12;
constexpr int kLineHeight = 22;

// The window API wants NUL-terminated texts; the catalogue's texts are short.
struct Text {
    char chars[MAX_PATH] = {};
};

// Plain character buffers rather than std::string keep the C++ library (and its exception
// machinery) out of the program: a few KB instead of a quarter of a megabyte.
Text Join(std::string_view first, std::string_view second = {}, std::string_view third = {}) {
    Text text;
    size_t length = 0;
    for (std::string_view part : {first, second, third}) {
        for (char c : part) {
            if (length + 1 < sizeof text.chars) text.chars[length++] = c;
        }
    }
    return text;
}

const ToolEntry& PlayedTool() { return ToolCatalogue()[FUNKELIS_STANDIN_ROW - 1]; }

bool HasSwitch(std::string_view commandLine, std::string_view name) {
    return commandLine.find(name) != std::string_view::npos;
}

void AddLabel(HWND window, const Text& text, int line) {
    RECT client{};
    GetClientRect(window, &client);
    HWND label = CreateWindowExA(0, "STATIC", text.chars, WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX,
                                 kMargin, kMargin + line * kLineHeight, client.right - 2 * kMargin,
                                 kLineHeight, window, nullptr, GetModuleHandleA(nullptr), nullptr);
    SendMessageA(label, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
}

void AddLabels(HWND window) {
    const ToolEntry& tool = PlayedTool();
    AddLabel(window, Join(tool.captionText), 0);
    AddLabel(window, Join(tool.versionText), 1);
    AddLabel(window, Join("Stand-in for the real ", tool.exeFileName, ", built with the launcher."), 3);
}

// Closing goes through the default handling: SC_CLOSE becomes WM_CLOSE, which destroys the window.
LRESULT CALLBACK StandInWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        AddLabels(window);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

bool RegisterWindowClass(HINSTANCE instance) {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = StandInWindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION));
    windowClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kWindowClass;
    return RegisterClassA(&windowClass) != 0;
}

int RunWindow(HINSTANCE instance, int showCommand) {
    if (!RegisterWindowClass(instance)) return 0;
    const Text title = Join(PlayedTool().windowTitle);
    // A minimised tool is minimised from its creation on: the launcher may find the window at any moment
    // after that, and must never see it in a normal state that it then leaves.
    const DWORD minimised = showCommand == SW_SHOWMINIMIZED ? WS_MINIMIZE : 0;
    HWND window = CreateWindowExA(
        0, kWindowClass, title.chars, WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | minimised,
        CW_USEDEFAULT, CW_USEDEFAULT, kWindowWidth, kWindowHeight, nullptr, nullptr, instance, nullptr);
    if (window == nullptr) return 0;
    ShowWindow(window, showCommand);
    // The first ShowWindow of a process may take the starter's show command instead of ours.
    if (showCommand == SW_SHOWMINIMIZED && !IsIconic(window)) ShowWindow(window, SW_SHOWMINIMIZED);
    UpdateWindow(window);
    MSG message{};
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 0;
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int showCommand) {
    const std::string_view arguments = commandLine != nullptr ? commandLine : "";
    if (HasSwitch(arguments, "/nowindow")) {
        Sleep(kNoWindowLifetimeMs);
        return 0;
    }
    return RunWindow(instance, HasSwitch(arguments, "/minimized") ? SW_SHOWMINIMIZED : showCommand);
}
