// Tool versions: what decides whether a carried tool replaces the file of that tool beside the launcher.
// A program's fixed file version, read from the bytes of its version resource; the small record beside
// each payload in which the launcher finds the carried tool's version without unpacking the tool; and
// the rule that compares the two. Reading a file's version resource out of the file is the caller's
// (payload-tool through its PE reader, the launcher through the platform's loader).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// A fixed file version: VS_FIXEDFILEINFO's dwFileVersionMS in the upper 32 bits and dwFileVersionLS in
// the lower, so that two versions compare as numbers ("2.1.0.6" is 0x0002'0001'0000'0006).
using FileVersion = uint64_t;

// The resource type of the version record, a named type beside RT_RCDATA; the record of a row carries
// the name of the row's payload resource.
inline constexpr std::string_view kToolVersionType = "TOOLVERSION";
inline constexpr size_t kToolVersionRecordSize = 8;

// The resource id of a program's version resource (type RT_VERSION), the one the platform reads.
inline constexpr uint32_t kVersionResourceId = 1;

// The fixed file version held by the bytes of a version resource: a VS_VERSIONINFO block whose key is
// "VS_VERSION_INFO" in UTF-16 and whose value is a VS_FIXEDFILEINFO with its signature. nullopt for
// anything else: too short, another key or signature, a block length past the bytes, a value shorter
// than the fixed part. Any bytes are safe to pass.
std::optional<FileVersion> FixedFileVersion(std::string_view versionResource);

// "A.B.C.D".
std::string FileVersionText(FileVersion version);

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
