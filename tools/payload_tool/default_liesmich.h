// The end user's text that a release carries unless the distributor gives one: shipping/LIESMICH.txt
// (UTF-8), built into payload-tool so that payload-tool.exe needs no file beside it.
#pragma once

#include <string_view>

std::string_view DefaultLiesmich();
