// What the main window does for a WM_COMMAND, decided from control id and notification code alone,
// and the rule that decides whether closing the launcher closes the tools. Carrying the actions out is
// the message handler's (main_window_callback_win.h).
#pragma once

#include <cstdint>
#include <string_view>

inline constexpr uint32_t MSG_RUN_TOOL = 2929; // private message: wParam a tool button id, lParam 0

enum class CommandAction { None, RunTool, EndWindow, StoreOption, OpenHomePage };

// RunTool for a tool button with code 0 (clicked) or 1; EndWindow for the EXIT button with code 0 or
// 1; StoreOption for the " All Exit " check box with any code (focus changes included); OpenHomePage
// for the home-page label with code 1 (its double-click) only; None for every other id or code.
CommandAction CommandActionFor(int32_t controlId, int32_t notificationCode);

// True only when the option was read (readResult 1) and its text reads as exactly the number 1 ("10"
// is ten, not one).
bool ClosesToolsOnExit(int32_t readResult, std::string_view optionText);
