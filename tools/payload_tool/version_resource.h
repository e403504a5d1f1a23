// The version a launcher carries: the file version in the fixed part of its version resource
// (VS_FIXEDFILEINFO), which the build writes from FUNKELIS_VERSION and which names the release's zip.
// Reads the resource bytes held by the PE image module; the file is untrusted, so every field is checked
// against the bytes before it is read.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "tools/payload_tool/pe_image.h"

using FileVersion = std::array<uint16_t, 4>;

// The file version in `resource`, the bytes of a version resource (VS_VERSIONINFO); nullopt when they
// are too short, do not start with the key "VS_VERSION_INFO" or hold no fixed part with its signature.
std::optional<FileVersion> FileVersionIn(std::string_view resource);

// The file version of the first version resource in `tree` (its first language), as FileVersionIn.
std::optional<FileVersion> FileVersionOf(const PeResourceTree& tree);

// "a.b.c.d".
std::string VersionText(const FileVersion& version);
