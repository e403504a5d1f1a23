// Numeric ids of the launcher's own resources, shared by launcher.rc and the code that loads them.
// Only preprocessor definitions, so that the resource compiler can read this file too.
#pragma once

// Icon group of the main window (big and small icon), loaded by number as "#555".
#define IDI_LAUNCHER 555
