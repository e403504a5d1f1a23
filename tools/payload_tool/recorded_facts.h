// A carried tool's file given what its record says, as the launcher gives a tool it writes: the
// recorded last-write time as its creation, access and write time (none for a read-only record, whose
// file keeps the time it was written, as the launcher's does), then the recorded attributes. The host's
// version (recorded_facts.cpp) sets the access and write times and maps the read-only attribute to
// permissions, the only one a POSIX file has; payload-tool.exe's (recorded_facts_win.cpp) sets them all.
#pragma once

#include <string>

#include "payload/payload_format.h"

// Gives the file at `path` the times and attributes of `record`; false with `error` (the system's
// reason) when a step fails, the steps before it done.
bool GiveRecordedFacts(const std::string& path, const FindDataRecord& record, std::string& error);
