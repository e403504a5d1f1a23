// A hook library that the E2E tests load into the launcher's process: some facts about a window (its
// fonts, icons and the width of its texts in them) and the process (where it looks for libraries) can
// only be read inside it. On the registered message "FunkelisWindowProbe" posted to the main window it
// writes them, one "key value" per line, to window-probe.txt in the launcher's folder.
#include <windows.h>

#include <cstdio>
#include <string>

#include "driver/launcher_harness_win.h"

namespace {

// Every library the system loads for the launcher by a bare name is searched for the way this one
// is: the launcher's own folder, where anyone may have written, must not be searched.
bool BareNameFound() {
    HMODULE planted = LoadLibraryA(kPlantedDllName);
    if (planted == nullptr) return false;
    FreeLibrary(planted);
    return true;
}

std::string DescribeFont(HFONT font) {
    LOGFONTA f{};
    if (font == nullptr || GetObjectA(font, sizeof f, &f) == 0) return "none";
    char text[256];
    std::snprintf(text, sizeof text, "%ld %ld %ld %ld %ld %d %d %d %d %d %d %d %d %s", f.lfHeight, f.lfWidth,
                  f.lfEscapement, f.lfOrientation, f.lfWeight, f.lfItalic, f.lfUnderline, f.lfStrikeOut,
                  f.lfCharSet, f.lfOutPrecision, f.lfClipPrecision, f.lfQuality, f.lfPitchAndFamily,
                  f.lfFaceName);
    return text;
}

std::string DescribeIcon(HICON icon) {
    ICONINFO info{};
    if (icon == nullptr || !GetIconInfo(icon, &info)) return "none";
    BITMAP colour{};
    GetObjectA(info.hbmColor != nullptr ? info.hbmColor : info.hbmMask, sizeof colour, &colour);
    if (info.hbmColor != nullptr) DeleteObject(info.hbmColor);
    if (info.hbmMask != nullptr) DeleteObject(info.hbmMask);
    return std::to_string(colour.bmWidth) + "x" + std::to_string(colour.bmHeight);
}

// The control's whole text in one line of its font, and the client area it has: "<w>x<h> in <w>x<h>".
std::string DescribeTextFit(HWND control, HFONT font) {
    char text[512];
    const int length = GetWindowTextA(control, text, sizeof text);
    HDC dc = GetDC(control);
    const HGDIOBJ old = SelectObject(dc, font);
    SIZE extent{};
    GetTextExtentPoint32A(dc, text, length, &extent);
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    RECT client{};
    GetClientRect(control, &client);
    return std::to_string(extent.cx) + "x" + std::to_string(extent.cy) + " in " +
           std::to_string(client.right) + "x" + std::to_string(client.bottom);
}

void WriteProbe(HWND window) {
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string file(path, length);
    file = file.substr(0, file.find_last_of('\\') + 1) + "window-probe.txt";
    std::string text;
    const auto windowFont = reinterpret_cast<HFONT>(SendMessageA(window, WM_GETFONT, 0, 0));
    text += "windowFont " + DescribeFont(windowFont) + "\n";
    for (HWND child = GetWindow(window, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        const auto font = reinterpret_cast<HFONT>(SendMessageA(child, WM_GETFONT, 0, 0));
        text += "control " + std::to_string(GetDlgCtrlID(child)) + " " +
                (font == windowFont ? std::string("windowFont") : DescribeFont(font)) + "\n";
        text += "text " + std::to_string(GetDlgCtrlID(child)) + " " + DescribeTextFit(child, font) + "\n";
    }
    text += "iconBig " +
            DescribeIcon(reinterpret_cast<HICON>(SendMessageA(window, WM_GETICON, ICON_BIG, 0))) + "\n";
    text += "iconSmall " +
            DescribeIcon(reinterpret_cast<HICON>(SendMessageA(window, WM_GETICON, ICON_SMALL, 0))) + "\n";
    text += std::string("bareNameFound ") + (BareNameFound() ? "1" : "0") + "\n";
    const std::string temporary = file + ".part";
    if (FILE* out = std::fopen(temporary.c_str(), "wb")) {
        std::fwrite(text.data(), 1, text.size(), out);
        std::fclose(out);
        MoveFileExA(temporary.c_str(), file.c_str(), MOVEFILE_REPLACE_EXISTING);
    }
}

} // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK WindowProbeHook(int code, WPARAM wParam, LPARAM lParam) {
    static const UINT probeMessage = RegisterWindowMessageA("FunkelisWindowProbe");
    auto* message = reinterpret_cast<MSG*>(lParam);
    if (code == HC_ACTION && wParam == PM_REMOVE && message->message == probeMessage)
        WriteProbe(message->hwnd);
    return CallNextHookEx(nullptr, code, wParam, lParam);
}
