// The version/date stamp of the settings file and the one user option, "AllProgExit", on the file. The
// rules without the file are in version_stamp.h.
//
// Every operation derives the settings path afresh (SettingsPath: none when it is too long) and
// reads into 520-character buffers. Profile writes are not checked; their effect is tested again instead.
#pragma once

#include <cstdint>
#include <string>

#include "settings/version_stamp.h"

// 1 when the file exists and its "Version" and "Date" equal the given ones after filtering (digits
// and points / digits) and neither stored stamp is all zeros; otherwise 0.
int32_t SettingsStampMatches(const std::string& date, const std::string& version);

// 1 after writing the default content (kDefaultSettingsContent, in one write) into a file that did not
// exist; 0 when a file or folder of that name was already there (nothing is written then).
int32_t CreateDefaultSettings();

// Creates a missing file, or deletes and recreates one whose stamp differs (a read-only, hidden or
// system file, or a folder, stays); writes the stamp only when it created the file in this call.
// Returns SettingsStampMatches afterwards.
int32_t EnsureSettingsStamp(const std::string& date, const std::string& version);

inline constexpr int32_t kOptionRead = 0;
inline constexpr int32_t kOptionWrite = 1;

// Mode kOptionRead reads the option into `value` (the stored 0/1 digits) and returns 1, or returns 0
// and leaves `value` alone when there is no file or no 0/1 digit; mode kOptionWrite writes the 0/1
// digits of `value` ("1" when it has none) and returns 1; other modes do nothing and return 0.
int32_t AllProgExitOption(std::string& value, int32_t mode);
