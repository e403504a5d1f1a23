// Packing a tool file exactly as the build packs it: the recorded name, time and attributes, and the
// payload the launcher reads.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "payload/payload_format.h"

// A name that the launcher can write into its own folder and nowhere else.
bool IsPlainFileName(std::string_view name);

// A name that the launcher writes exactly as recorded: deployment's file-name rule would refuse or
// alter "...", "To?l.exe" or "Tool.exe ", and the tool would then never be written.
bool IsDeployedUnchanged(const std::string& name);

// The time recorded for the file at `path`: its own last-write time, no later than SOURCE_DATE_EPOCH when
// that is set (the build's epoch, so that two builds of one commit give the same bytes); a stand-in
// (`standIn`), which the build makes itself, records SOURCE_DATE_EPOCH when it is set. nullopt with
// `error` when the file's time cannot be recorded or SOURCE_DATE_EPOCH is no time.
std::optional<uint64_t> PackTime(const std::string& path, bool standIn, std::string& error);

// The payload of the file at `path` recorded as `name`, exactly as the build packs it; nullopt with
// `error` saying why not.
std::optional<std::string> PackFile(const std::string& path, const std::string& name, std::string& error);

// PackFile for `file`, the bytes already read from `path` (whose last-write time may be recorded).
std::optional<std::string> PackFileBytes(const std::string& file, const std::string& path,
                                         const std::string& name, std::string& error);

// A recorded FILETIME as "YYYY-MM-DDTHH:MM:SSZ", or "filetime:N" beyond the year 9999.
std::string FormatFileTime(uint64_t fileTime);

// Writes the file of `image` into `folder` (created when missing) under its recorded name, as the
// launcher writes a tool: whole or not at all (WriteAtomically), then with the recorded times and
// attributes (recorded_facts.h). The path written, or nullopt with `error` saying why not: a recorded
// name that is no plain file name, or the system's reason.
std::optional<std::string> WriteRecordedFile(const std::string& folder, const PayloadImage& image,
                                             std::string& error);
