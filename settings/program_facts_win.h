// The running launcher's own facts, read from its image's resources, which the build and
// `payload-tool set` write (resources/resource_ids.h names the strings): so a launcher branded after the
// build stamps its settings file, shows its home page and decides on tool updates exactly like one
// built with those facts. Only the module's own resources are read (FindResource): version.dll, which
// GetFileVersionInfo would load, is a favourite of planted DLLs beside elevated programs.
#pragma once

#include <string>

// The file version of the launcher's version resource as "a.b.c.d"; "" without one.
std::string ProgramVersionText();

// The program date, DDMMYYYY; "" when the launcher carries none.
std::string ProgramDateText();

// The web page that the home-page label shows and a double-click opens; "" when the launcher carries
// none.
std::string HomePageUrl();

// Whether the distributor chose tool updates: true only when the launcher records "on".
bool ToolUpdatesEnabled();
