// The baseline of the start-up benchmark: the smallest dialog program built the same way as the
// launcher (static MinGW build, in-memory template), shown and left to run until closed.
#include <windows.h>

#include <cstdint>
#include <vector>

namespace {

INT_PTR CALLBACK BaselineProcedure(HWND window, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_CLOSE || (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL)) {
        DestroyWindow(window);
        return TRUE;
    }
    return message == WM_INITDIALOG ? TRUE : FALSE;
}

void Word(std::vector<WORD>& out, uint32_t value) { out.push_back(static_cast<WORD>(value)); }

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    std::vector<WORD> dialog;
    const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_SETFONT | DS_CENTER;
    Word(dialog, style & 0xFFFF);
    Word(dialog, style >> 16);
    Word(dialog, 0); // extended style
    Word(dialog, 0);
    Word(dialog, 0); // no controls
    for (uint32_t value : {0u, 0u, 200u, 100u}) Word(dialog, value);
    Word(dialog, 0); // no menu
    Word(dialog, 0); // default class
    for (const char* c = " Baseline Dialog"; *c != '\0'; ++c) Word(dialog, static_cast<unsigned char>(*c));
    Word(dialog, 0);
    Word(dialog, 8);
    for (const char* c = "MS Sans Serif"; *c != '\0'; ++c) Word(dialog, static_cast<unsigned char>(*c));
    Word(dialog, 0);
    HWND window = CreateDialogIndirectParamA(instance, reinterpret_cast<LPCDLGTEMPLATEA>(dialog.data()),
                                             nullptr, BaselineProcedure, 0);
    if (window == nullptr) return 1;
    ShowWindow(window, SW_SHOW);
    MSG message;
    while (IsWindow(window) && GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (IsDialogMessageA(window, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 0;
}
