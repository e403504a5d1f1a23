// The rules of the settings file's version/date stamp and of the one user option, "AllProgExit".
// The operations on the file are in version_stamp_win.h.
#pragma once

#include <string>
#include <string_view>

// The characters that a stored version and a stored date keep when they are filtered.
inline constexpr char kStampVersionChars[] = "0123456789.";
inline constexpr char kStampDateChars[] = "0123456789";

// A new settings file's default content as Windows' profile writer leaves it after the section
// "HmWinPos" is set to "HmWinPosX=\r\n" and "Version", "Date" and "AllProgExit" are written with the
// values "0.0.0.0", "00000000" + CR LF and "1" + CR LF, each in double quotes: a line break inside a
// value leaves an empty line after its entry.
inline constexpr std::string_view kDefaultSettingsContent =
    "[HmWinPos]\r\nHmWinPosX=\r\n\r\n[DateVersionInIni]\r\nVersion=\"0.0.0.0\"\r\nDate=\"00000000\"\r\n\r\n"
    "[Optionen]\r\nAllProgExit=\"1\"\r\n\r\n";

// StoredVersionMatches / StoredDateMatches: whether a stored stamp text equals the program's after
// filtering (digits and points / digits), with a stored stamp of only zeros (or none) never matching.
bool StoredVersionMatches(std::string_view stored, std::string_view version);
bool StoredDateMatches(std::string_view stored, std::string_view date);

// The 0/1 digits of `value`, or "1" when it has none.
std::string OptionToStore(std::string_view value);
