// The platform's path limit (MAX_PATH), which every path the launcher hands to the platform keeps to:
// a path buffer of 260 characters, its NUL included. The find-data record's file name field has the
// same size, so a recorded name fits a path buffer too.
#pragma once

#include <cstddef>

inline constexpr size_t kPathBufferChars = 260;
inline constexpr size_t kMaxPathChars = kPathBufferChars - 1;
