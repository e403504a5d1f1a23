// check-titles, a command of payload-tool.exe alone, since it starts the tools: whether each of a
// launcher's tools shows the window by which the launcher knows it. The launcher finds, raises and
// closes a running tool by a top-level window whose whole title is its row's, case ignored (FindWindowA);
// a real tool of another title starts again at each press and stays open after " All Exit ", and
// nothing else tells the distributor.
#pragma once

#include "tools/payload_tool/tool_cli.h"

// check-titles EXE: writes each row's tool from EXE into a scratch folder, as extract does, and starts it
// there in a job object, so that whatever it starts ends with it; waits up to 10 s for a new
// top-level window of any process with the row's title, and prints one table line per row (row, title
// wanted, titles of the new visible windows, verdict). A tool that needs administrator rights is
// reported as such. Ends the job and removes the folder after each row; 0 when every row's title
// appeared, else kExitFailure (after the table), or a failure line when EXE cannot be read.
int CheckTitles(const CommandArgs& args);
