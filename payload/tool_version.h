// Tool updates: the rule that decides whether a carried tool replaces the file of that tool beside the
// launcher, and the small record beside each payload in which the launcher finds the carried tool's
// version without unpacking the tool. A program's version is the fixed file version of its version
// resource (settings/program_facts.h reads it); reading that resource out of a file is the caller's
// (payload-tool through its PE reader, the launcher through the platform's loader).
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "settings/program_facts.h"

// The resource type of the version record, a named type beside RT_RCDATA; the record of a row carries
// the name of the row's payload resource.
inline constexpr std::string_view kToolVersionType = "TOOLVERSION";
inline constexpr size_t kToolVersionRecordSize = 8;

// The record of a carried tool: dwFileVersionMS, then dwFileVersionLS, each little-endian (8 bytes);
// "" when the tool has no readable version resource.
std::string EncodeToolVersionRecord(std::optional<FileVersion> version);

// The version in a record; nullopt for an empty record and for any size but 8.
std::optional<FileVersion> DecodeToolVersionRecord(std::string_view record);

// What the launcher knows of the entry already at a tool's name.
struct PresentTool {
    bool plainFile = false;             // a file, not a folder and not a link of any kind
    bool readOnly = false;              // someone protected it
    std::optional<FileVersion> version; // nullopt: no readable version resource, or not readable at all
};

// True when the carried tool replaces the present one: a plain, writable file whose version resource
// is readable, and a carried version recorded and strictly higher. Everything else keeps the present
// file: an equal or lower carried version (never a downgrade), none recorded, a file without a version.
bool ReplacesPresentTool(const PresentTool& present, std::optional<FileVersion> carried);
