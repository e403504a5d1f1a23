// What a launcher's tools are, as a distributor needs to know before shipping: which rows still carry
// the stand-ins that the build packs by default.
#pragma once

#include <string_view>
#include <vector>

#include "tools/payload_tool/launcher_image.h"

// True when `fileBytes` is a stand-in program: a PE image that carries the stand-in marker
// (standin/standin_marker.h).
bool IsStandIn(std::string_view fileBytes);

// The catalogue rows (1 to 5) of `exe` whose payload reads and unpacks to a stand-in, in row order.
std::vector<int> StandInRows(const Executable& exe);
