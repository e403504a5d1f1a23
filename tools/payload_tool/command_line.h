// payload-tool's arguments as UTF-8: on the host as the shell gives them, in payload-tool.exe from the
// Unicode command line (GetCommandLineW), so that a company name or a path with characters outside the
// console's code page arrives whole. Paths are then opened as UTF-8 (tool_files.h).
#pragma once

#include <string>
#include <vector>

// The arguments after the program's name.
std::vector<std::string> CommandLineArguments(int argc, char** argv);
