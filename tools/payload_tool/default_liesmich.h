// The end user's text that a release carries unless the distributor gives one: shipping/LIESMICH.txt
// (UTF-8), built into payload-tool so that payload-tool.exe needs no file beside it. Its section on
// updating tells what the launcher's tool-update choice asks of the user: with updates, nothing
// (shipping/LIESMICH-updates.txt); without, to delete the old tool files.
#pragma once

#include <string_view>

// The text for a launcher that records tool updates on (`toolUpdates`) or off.
std::string_view DefaultLiesmich(bool toolUpdates);
