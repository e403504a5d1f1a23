// The PE resource reader over arbitrary bytes, and every resource it finds read as a payload the way
// payload-tool does. Only the documented results may come out; nothing may crash or leak.
#include <cstdlib>
#include <string_view>

#include "payload/payload_format.h"
#include "tools/payload_tool/pe_resources.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view image(reinterpret_cast<const char*>(data), size);
    std::vector<PeResource> resources;
    if (ReadRcDataResources(image, resources) != PeReadResult::Ok) {
        if (!resources.empty()) std::abort();
        return 0;
    }
    size_t total = 0;
    MemoryResourceStore store;
    for (const PeResource& resource : resources) {
        total += resource.bytes.size();
        if (!resource.numbered) store.Add(resource.name, resource.bytes);
    }
    if (total > size) std::abort();
    for (const PeResource& resource : resources) {
        PayloadImage payload;
        PayloadFacts facts;
        InspectPayload(store, resource.name, payload, facts);
    }
    return 0;
}
