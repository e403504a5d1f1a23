#include "shell/main_window_win.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/owned_handles_win.h"
#include "settings/program_facts_win.h"
#include "settings/window_placement.h"
#include "shell/dialog_units.h"
#include "shell/main_window_callback_win.h"
#include "shell/main_window_layout.h"

namespace {

// The launcher has one window; its run state lives here for the run of ShowMainWindow.
struct RunState {
    bool handlerAttached = false;
    bool firstDisplayDone = false;
    int32_t showState = 5; // SW_SHOW
    int32_t endValue = 0;
};

RunState state;
void (*onceShownTask)() = nullptr;

void RunOnceShownTask() {
    if (onceShownTask == nullptr) return;
    std::exchange(onceShownTask, nullptr)();
}

// The extended dialog template: header, no menu, the dialog class, an empty title (the caption is
// set afterwards) and the window font; no controls.
class TemplateWriter {
  public:
    void Word(uint16_t value) { words_.push_back(value); }
    void Dword(uint32_t value) {
        Word(static_cast<uint16_t>(value & 0xFFFF));
        Word(static_cast<uint16_t>(value >> 16));
    }
    void WideText(std::string_view text) {
        for (char c : text) Word(static_cast<unsigned char>(c));
        Word(0);
    }
    const DLGTEMPLATE* Data() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

  private:
    std::vector<uint16_t> words_;
};

TemplateWriter BuildTemplate() {
    TemplateWriter out;
    out.Word(1);      // dlgVer
    out.Word(0xFFFF); // signature of the extended form
    out.Dword(0);     // helpID
    out.Dword(kMainWindowExStyle);
    out.Dword(kMainWindowStyle & ~kWindowVisibleBit);
    out.Word(0); // no controls
    out.Word(static_cast<uint16_t>(kTemplateX));
    out.Word(static_cast<uint16_t>(kTemplateY));
    out.Word(static_cast<uint16_t>(kClientWidthUnits));
    out.Word(static_cast<uint16_t>(kClientHeightUnits));
    out.Word(0); // menu
    out.Word(0); // class
    out.Word(0); // title
    out.Word(kWindowFontPoints);
    out.Word(kWindowFontWeight);
    out.Word(0); // italic 0, charset 0 (ANSI)
    out.WideText(kWindowFontFace);
    return out;
}

// Only the launcher's own controls of the colour table get colours; the rest keep the platform's.
INT_PTR AnswerColour(HWND window, HDC dc, HWND control) {
    if (control == nullptr || GetParent(control) != window) return 0;
    const ControlColour* colour = FindControlColour(GetDlgCtrlID(control));
    if (colour == nullptr) return 0;
    SetTextColor(dc, colour->textColour);
    if (colour->background == ColourBackground::Transparent) {
        SetBkMode(dc, TRANSPARENT);
        return reinterpret_cast<INT_PTR>(GetStockObject(NULL_BRUSH));
    }
    SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_BTNFACE));
}

INT_PTR CALLBACK MainWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG && !state.handlerAttached) return TRUE;
    if (state.handlerAttached) {
        const int32_t handled = MainWindowCallback(window, message, wParam, lParam);
        if (handled != 0) return handled;
    }
    if (message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC) {
        return AnswerColour(window, reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    }
    if (message == WM_SYSCOMMAND && (wParam & 0xFFF0) == SC_CLOSE) {
        EndMainWindow(window, 0);
        return TRUE;
    }
    return FALSE;
}

void CreateControls(HWND window, HINSTANCE instance) {
    const auto windowFont = static_cast<WPARAM>(SendMessageA(window, WM_GETFONT, 0, 0));
    for (const ControlSpec& spec : MainWindowControls()) {
        // Whole rectangles are converted so that rounding never shifts a control's far edge.
        RECT area{spec.x, spec.y, spec.x + spec.width, spec.y + spec.height};
        MapDialogRect(window, &area);
        const std::string className(spec.className);
        // The home page is a resource of the launcher's own, which a finished launcher can be given anew.
        const std::string text = spec.id == kHomePageLabelId ? HomePageUrl() : std::string(spec.text);
        HWND control =
            CreateWindowExA(0, className.c_str(), text.c_str(), spec.style, area.left, area.top,
                            area.right - area.left, area.bottom - area.top, window,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(spec.id)), instance, nullptr);
        if (control == nullptr) continue;
        SendMessageA(control, WM_SETFONT, windowFont, TRUE);
    }
}

GdiObject<HFONT> CreateHeadingFont() {
    const int logPixelsY = GetDeviceCaps(ScreenDc().Get(), LOGPIXELSY);
    LOGFONTA font{};
    font.lfHeight = HeadingFontHeight(logPixelsY);
    font.lfWeight = kHeadingFontWeight;
    static_assert(sizeof(kWindowFontFace) <= sizeof(font.lfFaceName));
    std::copy(std::begin(kWindowFontFace), std::end(kWindowFontFace), font.lfFaceName);
    return GdiObject<HFONT>(CreateFontIndirectA(&font));
}

IconHandle SetIcon(HWND window, HINSTANCE instance, WPARAM which, int size) {
    IconHandle icon(static_cast<HICON>(LoadImageA(instance, kIconResourceName, IMAGE_ICON, size, size, 0)));
    if (icon.Valid()) SendMessageA(window, WM_SETICON, which, reinterpret_cast<LPARAM>(icon.Get()));
    return icon;
}

// The dialog manager would move the focus on an arrow key within a control group, onto the frames
// and labels; the window keeps it on the tab stops. WM_NEXTDLGCTL moves it as Tab does, default push
// button included, so Enter then presses the focused button.
bool MoveFocusByArrowKey(HWND window, const MSG& message) {
    if (message.message != WM_KEYDOWN || (message.hwnd != window && !IsChild(window, message.hwnd)))
        return false;
    const int32_t target =
        ArrowKeyFocusTarget(static_cast<uint32_t>(message.wParam), GetDlgCtrlID(GetFocus()));
    if (target == 0) return false;
    SendMessageA(window, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(window, target)), TRUE);
    return true;
}

void RunMessageLoop(HWND window, HWND owner) {
    while (IsWindow(window)) {
        MSG message;
        if (!PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            RunOnceShownTask();
            if (owner != nullptr)
                SendMessageA(owner, WM_ENTERIDLE, MSGF_DIALOGBOX, reinterpret_cast<LPARAM>(window));
            Sleep(1);
            continue;
        }
        if (message.message != WM_PAINT) RunOnceShownTask();
        if (MoveFocusByArrowKey(window, message) || IsDialogMessageA(window, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

// Pixels that 1024 dialog units of the window cover, horizontally and vertically.
SIZE PixelsPer1024Units(HWND window) {
    RECT area{0, 0, 1024, 1024};
    MapDialogRect(window, &area);
    return SIZE{area.right, area.bottom};
}

POINT UnitsToPixels(HWND window, int32_t x, int32_t y) {
    RECT area{0, 0, std::clamp(x, -kMaxMappedDialogUnits, kMaxMappedDialogUnits),
              std::clamp(y, -kMaxMappedDialogUnits, kMaxMappedDialogUnits)};
    MapDialogRect(window, &area);
    return POINT{area.right, area.bottom};
}

PixelRect ToPixelRect(const RECT& rect) { return PixelRect{rect.left, rect.top, rect.right, rect.bottom}; }

BOOL CALLBACK AddWorkArea(HMONITOR monitor, HDC, LPRECT, LPARAM areas) {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (GetMonitorInfoA(monitor, &info))
        reinterpret_cast<std::vector<PixelRect>*>(areas)->push_back(ToPixelRect(info.rcWork));
    return TRUE;
}

std::vector<PixelRect> WorkAreas() {
    std::vector<PixelRect> areas;
    EnumDisplayMonitors(nullptr, nullptr, AddWorkArea, reinterpret_cast<LPARAM>(&areas));
    return areas;
}

// The window's frame edge and caption: the strip of the outer rectangle above the client area.
int32_t CaptionBarHeight(HWND window, const RECT& outer) {
    POINT clientOrigin{0, 0};
    ClientToScreen(window, &clientOrigin);
    return clientOrigin.y - outer.top;
}

} // namespace

int32_t ShowMainWindow(HWND parent) {
    state = RunState{};
    HINSTANCE instance = GetModuleHandleA(nullptr);
    if (parent != nullptr) {
        SendMessageA(parent, WM_CANCELMODE, 0, 0);
        EnableWindow(parent, FALSE);
    }
    const TemplateWriter dialogTemplate = BuildTemplate();
    HWND window = CreateDialogIndirectParamA(instance, dialogTemplate.Data(), parent, MainWindowProcedure, 0);
    if (window == nullptr) {
        if (parent != nullptr) EnableWindow(parent, TRUE);
        return 0;
    }
    SetWindowTextA(window, MainWindowTitle);
    CreateControls(window, instance);

    // Owned here, so the font and icons are deleted only after the window has been destroyed.
    const GdiObject<HFONT> headingFont = CreateHeadingFont();
    SendMessageA(GetDlgItem(window, kHeadingLabelId), WM_SETFONT, reinterpret_cast<WPARAM>(headingFont.Get()),
                 FALSE);
    const IconHandle bigIcon = SetIcon(window, instance, ICON_BIG, 32);
    const IconHandle smallIcon = SetIcon(window, instance, ICON_SMALL, 16);

    MainWindowCallback(window, WM_INITDIALOG, reinterpret_cast<WPARAM>(window), 0);
    RECT client{};
    GetClientRect(window, &client);
    MainWindowCallback(window, WM_SIZE, FirstSizeType(state.showState),
                       MAKELPARAM(client.right, client.bottom));
    state.handlerAttached = true;

    ShowWindow(window, state.showState);
    state.firstDisplayDone = true;
    RunMessageLoop(window, parent);

    if (parent != nullptr) SetFocus(parent);
    state.handlerAttached = false;
    return state.endValue;
}

void RunOnceShown(void (*task)()) { onceShownTask = task; }

void EndMainWindow(HWND window, int32_t value) {
    SendMessageA(window, WM_CLOSE, 0, 0);
    HWND owner = GetWindow(window, GW_OWNER);
    if (owner != nullptr) EnableWindow(owner, TRUE);
    state.endValue = value;
    DestroyWindow(window);
}

POINT MainWindowPosition(HWND window) {
    RECT outer{};
    GetWindowRect(window, &outer);
    const SIZE per1024 = PixelsPer1024Units(window);
    return POINT{PixelsToDialogUnits(outer.left, per1024.cx), PixelsToDialogUnits(outer.top, per1024.cy)};
}

SIZE MainWindowSize(HWND window) {
    RECT outer{};
    GetWindowRect(window, &outer);
    const SIZE per1024 = PixelsPer1024Units(window);
    return SIZE{PixelsToDialogUnits(outer.right - outer.left, per1024.cx),
                PixelsToDialogUnits(outer.bottom - outer.top, per1024.cy)};
}

void SetMainWindowPosition(HWND window, int32_t x, int32_t y) {
    const POINT pixels = UnitsToPixels(window, x, y);
    SetWindowPos(window, nullptr, pixels.x, pixels.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

void SetMainWindowSize(HWND window, int32_t width, int32_t height) {
    const POINT pixels = UnitsToPixels(window, width, height);
    SetWindowPos(window, nullptr, 0, 0, pixels.x, pixels.y, SWP_NOMOVE | SWP_NOZORDER);
}

SIZE MainWindowWorkAreaSize(HWND window) {
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (!GetMonitorInfoA(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor)) return SIZE{0, 0};
    const SIZE per1024 = PixelsPer1024Units(window);
    return SIZE{WholeDialogUnitsIn(monitor.rcWork.right - monitor.rcWork.left, per1024.cx),
                WholeDialogUnitsIn(monitor.rcWork.bottom - monitor.rcWork.top, per1024.cy)};
}

// A stored position may lie on a monitor that is gone.
bool BringMainWindowOnScreen(HWND window) {
    RECT outer{};
    MONITORINFO nearest{};
    nearest.cbSize = sizeof nearest;
    if (!GetWindowRect(window, &outer) ||
        !GetMonitorInfoA(MonitorFromRect(&outer, MONITOR_DEFAULTTONEAREST), &nearest))
        return false;
    const PixelRect current = ToPixelRect(outer);
    const PixelRect reachable = ReachableWindowRect(current, CaptionBarHeight(window, outer), WorkAreas(),
                                                    ToPixelRect(nearest.rcWork));
    if (reachable.left == current.left && reachable.top == current.top) return false;
    SetWindowPos(window, nullptr, reachable.left, reachable.top, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    return true;
}

void ShowMainWindowMinimized(HWND window) {
    if (!state.firstDisplayDone) {
        state.showState = NormalizeShowState(SW_MINIMIZE);
        return;
    }
    ShowWindow(window, SW_MINIMIZE);
}
