// The release's zip archives, written so that the same entries and time always give the same bytes, the
// bytes Python's zipfile gives for them (the release was once written with it): entries sorted by name,
// each deflated by zlib at level 9 (raw deflate, a window of 32 KB, memory level 8), recorded as made on
// MS-DOS with only the archive attribute, every entry with the one given time, no extra fields, no
// comments and no Zip64 records.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct ZipEntry {
    std::string name; // stored as given: UTF-8, flagged as such when it is not plain ASCII
    std::string bytes;
};

// The archive of `entries` with `unixSeconds` (UTC) as every entry's time, in the MS-DOS format's two-
// second steps and its range (1980 to 2107; a time outside is taken as the nearest end). nullopt with
// `error` when an entry or the archive is too large for a zip without Zip64 records (2 GB) or zlib
// fails.
std::optional<std::string> MakeZip(std::vector<ZipEntry> entries, int64_t unixSeconds, std::string& error);
