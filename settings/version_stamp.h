// The rules of the settings file's version/date stamp and of the one user option, "AllProgExit".
// The operations on the file are in version_stamp_win.h.
#pragma once

#include <string>
#include <string_view>

// The characters that a stored version and a stored date keep when they are filtered.
inline constexpr char kStampVersionChars[] = "0123456789.";
inline constexpr char kStampDateChars[] = "0123456789";

// StoredVersionMatches / StoredDateMatches: whether a stored stamp text equals the program's after
// filtering (digits and points / digits), with a stored stamp of only zeros (or none) never matching.
bool StoredVersionMatches(std::string_view stored, std::string_view version);
bool StoredDateMatches(std::string_view stored, std::string_view date);

// The 0/1 digits of `value`, or "1" when it has none.
std::string OptionToStore(std::string_view value);
