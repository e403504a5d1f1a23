// Tool updates: a tool file already beside the launcher is replaced by the tool the launcher carries when
// that is a newer build of the same program (payload/tool_version.h decides). The check reads two small
// resources, the carried version record and the present file's version resource, and never unpacks the
// payload; only a replacement does, and it goes through deployment's temporary file
// (PutCarriedFile in deploy_win.h). Whether updates happen at all is the caller's (the distributor's)
// choice.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "payload/resource_store.h"
#include "payload/tool_version.h"

// The version recorded beside the payload `resourceName` in the launcher's own resources (type
// kToolVersionType, same name); nullopt when there is none or it is no record.
std::optional<FileVersion> CarriedToolVersion(std::string_view resourceName);

// The fixed file version of the program at `path`, from its version resource (kVersionResourceName), read
// with the file mapped as data: nothing of it runs, and version.dll, a favourite target of planted DLLs,
// is not loaded. nullopt when the file cannot be mapped, has no such resource, or the resource is not
// readable (it must lie whole inside the mapped file).
std::optional<FileVersion> ProgramFileVersion(const std::string& path);

// Replaces the file at `target` (a full path) with the file of the payload `resourceName` from `store`
// when ReplacesPresentTool agrees with `carriedVersion`, the payload reads back and records the name of
// `target`'s file: PutCarriedFile with replace. 1 when replaced; else 0, and `target` is exactly as it was
// (bytes, times, attributes), also when it is missing, a folder or a link, read-only, in use or locked.
// Shows nothing.
int32_t UpdateToolFrom(const ResourceStore& store, std::string_view resourceName,
                       std::optional<FileVersion> carriedVersion, const std::string& target);

// UpdateToolFrom over the own module's payloads with CarriedToolVersion(resourceName).
int32_t UpdateTool(std::string_view resourceName, const std::string& target);
