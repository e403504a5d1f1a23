// The launcher's entry routine and its single-instance guard.
//
// LauncherMain  refuses to run beside a window titled MainWindowTitle (any class, any process,
// letter case ignored): shows the refusal box without owner and returns 0 without touching the
// settings file. Otherwise brings the settings stamp up to date, runs the main window until it is
// destroyed and returns 0. Always 0; failures below it are not examined.
#pragma once

#include <cstdint>

inline constexpr char kRefusalText[] = "Fehler, das Programm kann nur 1 mal Gestartet werdern.";
inline constexpr char kRefusalCaption[] = " Fehler! ";

int32_t LauncherMain();
