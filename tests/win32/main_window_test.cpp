// The window layer under a recording handler (this file supplies MainWindowCallback): what reaches
// the handler and when, the first display, the colours, the placement operations and the two ways
// to end the window.
#include <algorithm>
#include <functional>
#include <gtest/gtest.h>
#include <vector>

#include "shell/main_window_callback_win.h"
#include "shell/main_window_layout.h"
#include "shell/main_window_win.h"

namespace {

struct Seen {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    bool visible;
};

std::vector<Seen> seen;
// Run by the handler: once for its WM_INITDIALOG and once for the first timer tick after display.
std::function<void(HWND)> onInit;
std::function<void(HWND)> onRunning;
constexpr UINT_PTR kTimer = 77;

std::vector<UINT> MessagesSeen() {
    std::vector<UINT> messages;
    for (const Seen& s : seen) messages.push_back(s.message);
    return messages;
}

size_t CountSeen(UINT message) {
    size_t count = 0;
    for (const Seen& s : seen) count += s.message == message;
    return count;
}

int32_t RunWindow(std::function<void(HWND)> init, std::function<void(HWND)> running) {
    seen.clear();
    onInit = std::move(init);
    onRunning = std::move(running);
    return ShowMainWindow(nullptr);
}

} // namespace

int32_t MainWindowCallback(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    seen.push_back({message, wParam, lParam, IsWindowVisible(window) != FALSE});
    if (message == WM_INITDIALOG) {
        SetTimer(window, kTimer, 10, nullptr);
        if (onInit) onInit(window);
    }
    if (message == WM_TIMER && wParam == kTimer) {
        KillTimer(window, kTimer);
        if (onRunning) onRunning(window);
    }
    return 0;
}

namespace {

TEST(MainWindow, HandlerGetsDirectInitAndSizeBeforeDisplayThenOneCloseWhenEnded) {
    HWND initWindow = nullptr;
    bool controlsExisted = false;
    const int32_t end = RunWindow(
        [&](HWND window) {
            initWindow = window;
            controlsExisted = GetDlgItem(window, kAllExitCheckBoxId) != nullptr &&
                              SendMessageA(GetDlgItem(window, kHeadingLabelId), WM_GETFONT, 0, 0) != 0;
            // Caused by the handler during its WM_INITDIALOG: must not reach it.
            SetMainWindowPosition(window, 20, 30);
        },
        [](HWND window) { EndMainWindow(window, 7); });
    EXPECT_EQ(end, 7);
    EXPECT_TRUE(controlsExisted);
    ASSERT_GE(seen.size(), 3u);
    EXPECT_EQ(seen[0].message, static_cast<UINT>(WM_INITDIALOG));
    EXPECT_EQ(seen[0].wParam, reinterpret_cast<WPARAM>(initWindow));
    EXPECT_EQ(seen[0].lParam, 0);
    EXPECT_FALSE(seen[0].visible);
    EXPECT_EQ(seen[1].message, static_cast<UINT>(WM_SIZE));
    EXPECT_EQ(seen[1].wParam, static_cast<WPARAM>(SIZE_RESTORED));
    EXPECT_FALSE(seen[1].visible);
    EXPECT_NE(LOWORD(seen[1].lParam), 0);
    EXPECT_NE(HIWORD(seen[1].lParam), 0);
    EXPECT_EQ(CountSeen(WM_INITDIALOG), 1u);
    EXPECT_EQ(CountSeen(WM_CLOSE), 1u);
    // What follows the direct calls arrives through the window once it is being shown.
    EXPECT_EQ(seen[2].message == WM_SHOWWINDOW || seen[2].visible, true) << seen[2].message;
    EXPECT_FALSE(IsWindow(initWindow));
}

TEST(MainWindow, MinimiseRequestedDuringInitShowsMinimisedAndSizeSaysSo) {
    bool iconic = false;
    RunWindow([](HWND window) { ShowMainWindowMinimized(window); },
              [&](HWND window) {
                  iconic = IsIconic(window) != FALSE;
                  EndMainWindow(window, 0);
              });
    ASSERT_GE(seen.size(), 2u);
    EXPECT_EQ(seen[1].message, static_cast<UINT>(WM_SIZE));
    EXPECT_EQ(seen[1].wParam, static_cast<WPARAM>(SIZE_MINIMIZED));
    EXPECT_TRUE(iconic);
}

TEST(MainWindow, MinimiseRequestedAfterDisplayActsAtOnce) {
    bool iconic = false;
    RunWindow(nullptr, [&](HWND window) {
        ShowMainWindowMinimized(window);
        iconic = IsIconic(window) != FALSE;
        EndMainWindow(window, 0);
    });
    EXPECT_EQ(seen[1].wParam, static_cast<WPARAM>(SIZE_RESTORED));
    EXPECT_TRUE(iconic);
}

TEST(MainWindow, PlacementOperationsWorkInDialogUnitsOfTheOuterRectangle) {
    POINT position{};
    SIZE size{};
    RECT outer{};
    RECT expected{};
    RunWindow(nullptr, [&](HWND window) {
        SetMainWindowPosition(window, 40, 24);
        SetMainWindowSize(window, 340, 280);
        position = MainWindowPosition(window);
        size = MainWindowSize(window);
        GetWindowRect(window, &outer);
        expected = RECT{0, 0, 40, 24};
        MapDialogRect(window, &expected);
        RECT extent{0, 0, 340, 280};
        MapDialogRect(window, &extent);
        expected.left = expected.right;
        expected.top = expected.bottom;
        expected.right = expected.left + extent.right;
        expected.bottom = expected.top + extent.bottom;
        EndMainWindow(window, 0);
    });
    EXPECT_EQ(position.x, 40);
    EXPECT_EQ(position.y, 24);
    EXPECT_EQ(size.cx, 340);
    EXPECT_EQ(size.cy, 280);
    EXPECT_TRUE(EqualRect(&outer, &expected));
}

TEST(MainWindow, ColoursOfTheThreeControlsAndNoneForOthers) {
    LRESULT heading = 0, homePage = 0, checkBox = 0, exitButton = 0, platformDefault = 0;
    COLORREF headingText = 0, homeText = 0, checkText = 0;
    int homeMode = 0;
    RunWindow(nullptr, [&](HWND window) {
        HDC dc = CreateCompatibleDC(nullptr);
        auto ask = [&](int id) {
            return SendMessageA(window, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                reinterpret_cast<LPARAM>(GetDlgItem(window, id)));
        };
        heading = ask(kHeadingLabelId);
        headingText = GetTextColor(dc);
        homePage = ask(kHomePageLabelId);
        homeText = GetTextColor(dc);
        homeMode = GetBkMode(dc);
        checkBox = ask(kAllExitCheckBoxId);
        checkText = GetTextColor(dc);
        const auto exitControl = reinterpret_cast<LPARAM>(GetDlgItem(window, kExitButtonId));
        exitButton = SendMessageA(window, WM_CTLCOLORBTN, reinterpret_cast<WPARAM>(dc), exitControl);
        platformDefault = DefWindowProcA(window, WM_CTLCOLORBTN, reinterpret_cast<WPARAM>(dc), exitControl);
        DeleteDC(dc);
        EndMainWindow(window, 0);
    });
    EXPECT_EQ(heading, reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE)));
    EXPECT_EQ(headingText, RGB(64, 128, 192));
    EXPECT_EQ(homePage, reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH)));
    EXPECT_EQ(homeText, RGB(0, 64, 128));
    EXPECT_EQ(homeMode, TRANSPARENT);
    EXPECT_EQ(checkBox, reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE)));
    EXPECT_EQ(checkText, RGB(0, 128, 192));
    EXPECT_EQ(exitButton, platformDefault);
}

TEST(MainWindow, CloseCommandEndsWithZeroAfterOneCloseMessageButAForeignCloseDoesNot) {
    bool aliveAfterForeignClose = false;
    const int32_t end = RunWindow(nullptr, [&](HWND window) {
        SendMessageA(window, WM_CLOSE, 0, 0);
        aliveAfterForeignClose = IsWindow(window) != FALSE;
        SendMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    });
    EXPECT_TRUE(aliveAfterForeignClose);
    EXPECT_EQ(end, 0);
    EXPECT_EQ(CountSeen(WM_CLOSE), 2u); // the foreign one and the one from the close command
    const auto messages = MessagesSeen();
    EXPECT_EQ(std::count(messages.begin(), messages.end(), static_cast<UINT>(WM_SYSCOMMAND)), 1);
}

int ownerIdleCalls = 0;
int ownerCancelModes = 0;

LRESULT CALLBACK OwnerProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_ENTERIDLE) ++ownerIdleCalls;
    if (message == WM_CANCELMODE) ++ownerCancelModes;
    return DefWindowProcA(window, message, wParam, lParam);
}

TEST(MainWindow, AGivenParentIsTheDisabledOwnerUntilTheEnd) {
    WNDCLASSA ownerClass{};
    ownerClass.lpfnWndProc = OwnerProcedure;
    ownerClass.hInstance = GetModuleHandleA(nullptr);
    ownerClass.lpszClassName = "FunkelisTestOwner";
    RegisterClassA(&ownerClass);
    HWND owner = CreateWindowExA(0, "FunkelisTestOwner", "owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200,
                                 100, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(owner, nullptr);
    HWND ownerSeen = nullptr;
    bool ownerEnabledWhileRunning = true;
    seen.clear();
    onInit = nullptr;
    int looks = 0;
    onRunning = [&](HWND window) {
        if (ownerIdleCalls == 0 && ++looks < 100) { // give the loop a moment without messages
            SetTimer(window, kTimer, 50, nullptr);
            return;
        }
        ownerSeen = GetWindow(window, GW_OWNER);
        ownerEnabledWhileRunning = IsWindowEnabled(owner) != FALSE;
        EndMainWindow(window, 0);
    };
    EXPECT_EQ(ShowMainWindow(owner), 0);
    EXPECT_EQ(ownerSeen, owner);
    EXPECT_FALSE(ownerEnabledWhileRunning);
    EXPECT_TRUE(IsWindowEnabled(owner));
    EXPECT_GE(ownerCancelModes, 1);
    EXPECT_GT(ownerIdleCalls, 0);
    EXPECT_EQ(GetFocus(), owner);
    DestroyWindow(owner);
}

} // namespace
