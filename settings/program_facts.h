// The facts a launcher carries in its own resources, decoded from the resources' bytes: the version in
// its version resource and the texts of its string table (home page, program date, the tool-update
// choice). The running launcher finds the bytes itself (program_facts_win.h); payload-tool writes them
// (tools/payload_tool/launcher_facts.h) and reads them back with these same functions. Untrusted
// bytes give nullopt, never a read outside them.
#pragma once

#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The platform's numbers of the two resource types.
inline constexpr uint32_t kRtString = 6;
inline constexpr uint32_t kRtVersionInfo = 16;
// The name of a version resource.
inline constexpr uint32_t kVersionResourceName = 1;

// The texts of the tool-update choice, as the launcher stores them and `payload-tool set` takes them.
inline constexpr char kToolUpdatesOn[] = "on";
inline constexpr char kToolUpdatesOff[] = "off";

// A file version as VS_FIXEDFILEINFO holds it: dwFileVersionMS (a << 16 | b) and dwFileVersionLS
// (c << 16 | d) of "a.b.c.d". Versions compare as installers compare them, the high part first.
struct FileVersion {
    uint32_t high = 0;
    uint32_t low = 0;
    auto operator<=>(const FileVersion&) const = default;
};

// The file version in the fixed part of a version resource (VS_VERSIONINFO): nullopt when the bytes
// hold no fixed part with its signature.
std::optional<FileVersion> FixedFileVersion(std::string_view resource);

// "a.b.c.d", each number in decimal without leading zeros.
std::string VersionText(FileVersion version);

// The platform keeps string `id` as entry id % 16 of the RT_STRING resource named id / 16 + 1.
constexpr uint32_t StringBlockName(uint32_t id) { return id / 16 + 1; }
constexpr uint32_t StringBlockIndex(uint32_t id) { return id % 16; }
inline constexpr uint32_t kStringsPerBlock = 16;

// Entry `index` (below kStringsPerBlock) of a string-table block, in which each entry is a 16-bit
// count of UTF-16 units and the units: "" for an empty one, nullopt when the block ends before it.
std::optional<std::u16string> StringBlockEntry(std::string_view block, uint32_t index);

// `text` with every unit outside ASCII (and NUL) as '?': the launcher's texts are ASCII by rule, and a
// text that breaks the rule shows as broken instead of ending early.
std::string AsciiText(std::u16string_view text);
