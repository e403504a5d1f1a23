// The running executable's own RT_RCDATA resources (GetModuleHandleA(NULL)), where the launcher reads
// its payloads.
#pragma once

#include <string_view>

#include "payload/payload_format.h"
#include "payload/resource_store.h"

// A ResourceStore (payload/resource_store.h) over those resources. The platform does the
// case-insensitive match; a name starting with '#' is taken by it as a number, as FindResourceA does.
class ModuleResourceStore : public ResourceStore {
  public:
    std::optional<std::string_view> Find(std::string_view name) const override;
};

// ReadPayload (payload/payload_format.h) over a ModuleResourceStore.
bool ReadPayload(std::string_view resourceName, PayloadImage& image);
