// The resource writer over arbitrary bytes: whatever tree reads from an image is written back, with
// its first resource grown by a page when there is one, and must read back as the same tree, its
// RT_RCDATA resources as the older reader sees them included. Nothing may crash or leak.
#include <cstdlib>
#include <string_view>

#include "tools/payload_tool/pe_resource_writer.h"
#include "tools/payload_tool/pe_resources.h"

namespace {

bool SameRcData(std::string_view a, std::string_view b) {
    std::vector<PeResource> before;
    std::vector<PeResource> after;
    if (ReadRcDataResources(a, before) != PeReadResult::Ok) return true; // the older reader is stricter
    if (ReadRcDataResources(b, after) != PeReadResult::Ok || before.size() != after.size()) return false;
    for (size_t i = 0; i < before.size(); ++i) {
        if (before[i].name != after[i].name || before[i].bytes != after[i].bytes) return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view image(reinterpret_cast<const char*>(data), size);
    PeResourceTree tree;
    if (ReadResourceTree(image, tree) != PeWriteResult::Ok) {
        if (!tree.types.empty()) std::abort();
        return 0;
    }
    for (bool grow : {false, true}) {
        if (grow && !tree.types.empty() && !tree.types[0].names.empty() &&
            !tree.types[0].names[0].languages.empty()) {
            tree.types[0].names[0].languages[0].bytes.append(4096, 'g');
        }
        PeRewrite rewrite;
        if (RewriteResources(image, tree, rewrite) != PeWriteResult::Ok) continue;
        PeResourceTree again;
        if (ReadResourceTree(rewrite.image, again) != PeWriteResult::Ok || !(again == tree)) std::abort();
        if (!grow && !SameRcData(image, rewrite.image)) std::abort();
    }
    return 0;
}
