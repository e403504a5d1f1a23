// The main window's message handler and the actions behind its controls: starting or raising a tool
// (deploying it first when its file is missing), the " All Exit " option, the home page, EXIT, and
// the keyboard focus across deactivation. Which control means which action is command_table.h's.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string_view>

#include "shell/command_table.h"
#include "shell/tool_catalogue.h"

// The caption of RunTool's box for a file that is still missing.
inline constexpr char kMissingToolCaption[] = " Sorry";

// Every message of the main window comes here first; placement tracking sees it before anything else.
// At initialisation it also gives the first tab stop the keyboard focus. Always 0 ("not handled"), so
// the window layer's defaults apply afterwards. The " All Exit " box shows the option as the settings
// file holds it, which alone decides at close: on a file that cannot be written (read-only) a click
// changes neither file nor box, and the close does what the file says. Such a file keeps its placement
// too: the window opens where it says, and a move is not stored.
int32_t MainWindowCallback(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Deploys the row's file into the program folder when it is missing (a folder of that name never
// counts), tells the user with " Sorry" when it is still missing, else raises and restores the tool's
// running window or starts the file, with the program folder as its current folder, and waits for its
// window. With tool updates chosen, a file that was present and does not run is first replaced when the
// launcher carries a newer build of it (UpdateTool); nothing is shown either way. A restore never waits
// for the tool, so one that stopped answering cannot hold the launcher. Platform results are not
// examined.
void RunTool(HWND window, const ToolEntry& entry);

// Up to 25 looks, 100 ms apart, for a top-level window titled `title`; restores it when it came up
// minimised. 1 when found, else 0.
int32_t AwaitToolWindow(std::string_view title);

// Posts the close command to the window of every row found by title, in row order; does not wait.
void CloseAllTools();
