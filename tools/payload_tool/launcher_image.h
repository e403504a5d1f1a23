// A built launcher as payload-tool's commands see it: the file with its parsed image, the RT_RCDATA
// resources the launcher reads its payloads from, and the catalogue rows by the names a distributor
// types.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "payload/resource_store.h"
#include "shell/tool_catalogue.h"
#include "tools/payload_tool/pe_image.h"

struct Executable {
    std::string file;
    PeImage image;
};

// Reads EXE and its resources; nullopt after printing why not (one payload-tool line).
std::optional<Executable> LoadExecutable(const std::string& path);

// An RT_RCDATA resource in the language FindResourceA finds without a language of its own: the first.
struct RcData {
    std::string name; // as ResourceIdText gives it
    bool numbered = false;
    size_t size = 0;
};

struct Payloads {
    std::vector<RcData> rcData; // in table order
    MemoryResourceStore store;  // the named ones, as the launcher finds them
};

// The RT_RCDATA resources of `image`.
Payloads PayloadsOf(const PeImage& image);

// True when `a` and `b` are the same ASCII text apart from case.
bool SameIgnoringCase(std::string_view a, std::string_view b);

// A catalogue row by its number (1 to 5), its tool's file name or its resource name, in any case;
// nullptr for none.
const ToolEntry* FindRow(std::string_view text);

// The number (1 to 5) of `row`, an entry of ToolCatalogue().
int RowNumber(const ToolEntry& row);

// The resource of type `type` named `name` (ASCII, any case), or nullptr; the first of several.
PeResourceName* FindNamedResource(PeResourceTree& tree, uint32_t type, std::string_view name);

// Puts `payload` into the RT_RCDATA resource `name`; "" when done, else why not. The resource must have
// one language: of several, the launcher would find the one of the system's language, and a payload put
// into each of them would multiply the output by a count the file chooses.
std::string PutPayload(PeResourceTree& tree, std::string_view name, const std::string& payload);

// Tells that writing `outPath` removed the launcher's Authenticode signature, which no longer matched.
void SaySignatureRemoved(const std::string& outPath);
