// The versions of tool files as payload-tool sees them, for the launcher's tool updates: a program's fixed
// file version read through the PE reader, the version record that the launcher finds beside each
// payload (payload/tool_version.h), put into a launcher's resource tree, and the `version` command
// with which the build writes that record.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "payload/tool_version.h"
#include "tools/payload_tool/pe_image.h"
#include "tools/payload_tool/tool_cli.h"

// The fixed file version of the program `fileBytes`, from its version resource (kVersionResourceName, the
// first language); nullopt for a file that is no PE image or has no readable version resource.
std::optional<FileVersion> ProgramVersionOf(std::string_view fileBytes);

// Records `version` (EncodeToolVersionRecord: empty for none) in the resource of type kToolVersionType
// that carries the name of the RT_RCDATA resource `payloadName`, creating type and name where they are
// missing, in the language of that payload and in the sorted places the platform's lookup needs. ""
// when done, else why not (no such payload, or one in several languages).
std::string PutToolVersion(PeResourceTree& tree, std::string_view payloadName,
                           std::optional<FileVersion> version);

// `payload-tool version FILE [OUT]`: prints FILE's fixed file version (A.B.C.D) or "none", and with OUT
// writes the record the build puts beside FILE's payload. Exit 0, or 1 when FILE cannot be read or OUT
// cannot be written.
int VersionCommand(const CommandArgs& args);
