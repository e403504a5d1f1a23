// The facts a distributor gives the launcher, by the names `payload-tool set` takes (KEY=VALUE), with
// the one rule for each value. The build's configuration asks `payload-tool set --check` too, so a value
// that one accepts the other accepts, with the same message.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

enum class FactKey { Version, Company, Copyright, HomePage, Date, UpdateTools };
inline constexpr size_t kFactCount = 6;

// version, company, copyright, home-page, date, update-tools: in FactKey's order.
inline constexpr std::array<std::string_view, kFactCount> kFactNames = {
    "version", "company", "copyright", "home-page", "date", "update-tools"};

constexpr std::string_view FactName(FactKey key) { return kFactNames[static_cast<size_t>(key)]; }

// The key called `name`, or nullopt.
std::optional<FactKey> FactKeyNamed(std::string_view name);

// Why `value` cannot be the fact `key`, or "" when it can:
//   version       four numbers a.b.c.d, each 0 to 65535, written without leading zeros (the version
//                 resource holds numbers, and the texts beside them must read the same)
//   company,      UTF-8 text without control characters, at most kMaxVersionTextUnits UTF-16 units
//   copyright
//   home-page     http:// or https:// and an address of the characters RFC 3986 allows in a URL (a
//                 percent sign only before two hex digits), at most kMaxHomePageLength of them: no
//                 blanks, double quotes, backslashes, control or non-ASCII characters
//   date          DDMMYYYY, a day of the calendar from 1970 on
//   update-tools  "on" or "off"
std::string FactProblem(FactKey key, std::string_view value);

inline constexpr size_t kMaxVersionTextUnits = 1000;
inline constexpr size_t kMaxHomePageLength = 2048;

// The numbers of a version that the rule accepts.
std::optional<std::array<uint16_t, 4>> VersionNumbers(std::string_view version);

// The address's width in pixels on the home-page label (the window font at 96 dpi), and the label's one
// line: a wider address wraps, and its second line is hidden behind the last tool's frame.
int HomePageLabelPixels(std::string_view url);
inline constexpr int kHomePageLabelPixels = 458;

// The warning for a home page wider than the label, or "".
std::string HomePageWarning(std::string_view url);
