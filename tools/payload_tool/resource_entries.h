// Numbered resources of a PE resource tree (pe_image.h) as payload-tool writes them: found by type and
// name, or added where the loader looks for them.
#pragma once

#include <cstdint>

#include "tools/payload_tool/pe_image.h"

// The numbered resource `name` of the numbered `type`, or nullptr.
const PeResourceName* FindNumberedResource(const PeResourceTree& tree, uint32_t type, uint32_t name);

// The data of that resource for writing. A missing one is added in `language` (code page 0) where the
// loader's binary search expects it: after the named entries, among the numbers in ascending order. One
// with several languages gives nullptr: the launcher would read whichever matches the system's language,
// so writing one of them could leave it reading another.
PeResourceLanguage* WritableResource(PeResourceTree& tree, uint32_t type, uint32_t name, uint32_t language);
