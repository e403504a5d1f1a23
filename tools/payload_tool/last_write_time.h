// When a file to be packed was last written, as the FILETIME that its record keeps. The host's
// version reads the POSIX time (last_write_time.cpp), payload-tool.exe the file's own FILETIME
// (last_write_time_win.cpp).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

// The last-write time of the file at `path`, exactly; nullopt and `error` (one line) when it cannot be
// read or lies outside what a FILETIME holds (before 1601, after the year 60056).
std::optional<uint64_t> LastWriteFileTime(const std::string& path, std::string& error);
