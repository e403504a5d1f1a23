// The main window's message handler and the actions behind its controls: starting or raising a tool
// (deploying it first when its file is missing), the " All Exit " option, the home page, EXIT, and
// the keyboard focus across deactivation.
//
// MainWindowCallback  every message of the main window comes here first; placement tracking sees it
//     before anything else. Always 0 ("not handled"), so the window layer's defaults apply afterwards.
// RunTool             deploys the row's file into the program folder when it is missing (a folder of
//     that name never counts), tells the user with " Sorry" when it is still missing, else raises
//     and restores the tool's running window or starts the file and waits for its window. Platform
//     results are not examined.
// AwaitToolWindow     up to 25 looks, 100 ms apart, for a top-level window titled `title`; restores it
//     when it came up minimised. 1 when found, else 0.
// CloseAllTools       posts the close command to the window of every row found by title, in row
//     order; does not wait.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string_view>

#include "shell/command_table.h"
#include "shell/tool_catalogue.h"

inline constexpr char kMissingToolCaption[] = " Sorry";

int32_t MainWindowCallback(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void RunTool(HWND window, const ToolEntry& entry);
int32_t AwaitToolWindow(std::string_view title);
void CloseAllTools();
