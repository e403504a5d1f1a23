// A hook library that the E2E tests load into the launcher's process: some facts about a window (its
// fonts, icons, the width of its texts in them and what its labels draw) and the process (where it looks
// for libraries) can only be read inside it. On the registered message "FunkelisWindowProbe" posted to the
// main window it writes them, one "key value" per line, to window-probe.txt in the launcher's folder.
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

// How many pixels of the label's client area differ between what the label paints itself
// (WM_PRINTCLIENT) and its text drawn as typed in its font and alignment, every "&" shown as itself;
// the colours aside, as the label takes them from the window. 0 when the label draws its text as typed.
int DrawnAgainstTyped(HWND label, HFONT font) {
    RECT client{};
    GetClientRect(label, &client);
    char text[512];
    const int length = GetWindowTextA(label, text, sizeof text);
    const LONG style = GetWindowLongA(label, GWL_STYLE);
    const UINT alignment = (style & SS_TYPEMASK) == SS_CENTER  ? DT_CENTER
                           : (style & SS_TYPEMASK) == SS_RIGHT ? DT_RIGHT
                                                               : DT_LEFT;
    HDC screen = GetDC(label);
    HDC painted = CreateCompatibleDC(screen);
    HDC typed = CreateCompatibleDC(screen);
    HBITMAP paintedBits = CreateCompatibleBitmap(screen, client.right, client.bottom);
    HBITMAP typedBits = CreateCompatibleBitmap(screen, client.right, client.bottom);
    ReleaseDC(label, screen);
    const HGDIOBJ oldPainted = SelectObject(painted, paintedBits);
    const HGDIOBJ oldTyped = SelectObject(typed, typedBits);
    const auto white = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    FillRect(painted, &client, white);
    FillRect(typed, &client, white);
    SendMessageA(label, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(painted), PRF_CLIENT);
    const HGDIOBJ oldFont = SelectObject(typed, font);
    SetBkMode(typed, TRANSPARENT);
    DrawTextA(typed, text, length, &client, alignment | DT_EXPANDTABS | DT_WORDBREAK | DT_NOPREFIX);
    int differing = 0;
    for (int y = 0; y < client.bottom; ++y) {
        for (int x = 0; x < client.right; ++x)
            differing += (GetPixel(painted, x, y) == 0xFFFFFF) != (GetPixel(typed, x, y) == 0xFFFFFF) ? 1 : 0;
    }
    SelectObject(typed, oldFont);
    SelectObject(painted, oldPainted);
    SelectObject(typed, oldTyped);
    DeleteObject(paintedBits);
    DeleteObject(typedBits);
    DeleteDC(painted);
    DeleteDC(typed);
    return differing;
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
        char className[16] = {};
        GetClassNameA(child, className, sizeof className);
        if (lstrcmpiA(className, "STATIC") == 0)
            text += "drawn " + std::to_string(GetDlgCtrlID(child)) + " " +
                    std::to_string(DrawnAgainstTyped(child, font)) + "\n";
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
