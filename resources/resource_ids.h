// Numeric ids of the launcher's own resources, shared by launcher.rc, the code that loads them and
// payload-tool, which writes the facts. Only preprocessor definitions, so that the resource compiler can
// read this file too.
#pragma once

// Icon group of the main window (big and small icon), loaded by number as "#555".
#define IDI_LAUNCHER 555

// The launcher's facts besides its version (which is its version resource's): strings of one
// string-table block, ids 1008 to 1023 (the RT_STRING resource 64), which `payload-tool set` writes, in
// the build and in a finished launcher. The block's other ids are free for more facts.
#define IDS_HOME_PAGE 1008
#define IDS_PROGRAM_DATE 1009
#define IDS_UPDATE_TOOLS 1010 /* "on" or "off" */

// Kept for what the launcher records per catalogue row beside its payload, such as the carried tool's
// version: string 1024 + row (1 to 5), in a block of its own (ids 1024 to 1039, RT_STRING 65), so that
// writing the facts and writing the rows never touch each other's block.
#define IDS_CARRIED_TOOL_BASE 1024
