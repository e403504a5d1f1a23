// The launcher's entry routine and its single-instance guard.
#pragma once

#include <cstdint>

// The box that refuses a second start.
inline constexpr char kRefusalText[] = "Fehler, das Programm kann nur 1 mal Gestartet werdern.";
inline constexpr char kRefusalCaption[] = " Fehler! ";

// "Local\\": other sessions are not blocked, just as the title test does not see their windows.
inline constexpr char kSingleInstanceMutexName[] = "Local\\FunkelisTools.SingleInstance";

// Refuses to run when another launcher of the same session holds the named mutex
// kSingleInstanceMutexName, or beside a window titled MainWindowTitle (any class, any process, letter
// case ignored): shows the refusal box without owner and returns 0 without touching the settings file.
// Otherwise holds the mutex, brings the settings stamp up to date, runs the main window until it is
// destroyed and returns 0. Always 0; failures below it are not examined.
int32_t LauncherMain();
