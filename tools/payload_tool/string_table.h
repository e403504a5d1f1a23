// Strings of a PE image's string table (RT_STRING), written and read by id the way the platform's
// LoadString finds them: 16 to a block (settings/program_facts.h decodes a block).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "tools/payload_tool/pe_image.h"

// String `id` of `tree`; nullopt when its block is missing or damaged, "" for an empty entry.
std::optional<std::u16string> ReadString(const PeResourceTree& tree, uint32_t id);

// Sets string `id` to `text` (at most 65535 units), keeping the block's other 15 entries; a missing block
// is added in `language`. "" when done, else why not.
std::string WriteString(PeResourceTree& tree, uint32_t id, const std::u16string& text, uint32_t language);
