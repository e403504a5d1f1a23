// The PE image module over arbitrary bytes: the image read, each RT_RCDATA resource inspected as a payload
// the way payload-tool does, each version resource and version record read as tool updates read them,
// and the image written back with its tree as read and with its first
// resource grown by a page. Only the documented results may come out; the tree read may not be larger
// than the file, a rewritten tree must read back the same, and its section may not be larger than the old
// one beyond the alignment of each data block. Nothing may crash, loop or leak.
#include <cstdlib>
#include <string_view>

#include "payload/payload_format.h"
#include "payload/tool_version.h"
#include "tools/payload_tool/pe_image.h"

namespace {

// The data and names a tree read from a file holds, names counted once for each entry that carries them.
size_t HeldBytes(const PeResourceTree& tree, size_t& blocks) {
    size_t held = 0;
    for (const PeResourceType& type : tree.types) {
        held += 2 * type.id.name.size();
        for (const PeResourceName& name : type.names) {
            held += 2 * name.id.name.size() + name.languages.front().bytes.size();
            blocks += name.languages.size();
        }
    }
    return held;
}

void InspectRcData(const PeImage& image) {
    const PeResourceType* type = FindResourceType(image.resources, kRtRcData);
    if (type == nullptr) return;
    MemoryResourceStore store;
    for (const PeResourceName& name : type->names) {
        if (name.id.named) store.Add(ResourceIdText(name.id), name.languages.front().bytes);
    }
    for (const PeResourceName& name : type->names) {
        PayloadImage payload;
        PayloadFacts facts;
        InspectPayload(store, ResourceIdText(name.id), payload, facts);
    }
}

void ReadVersions(const PeResourceTree& tree) {
    for (const PeResourceType& type : tree.types) {
        for (const PeResourceName& name : type.names) {
            for (const PeResourceLanguage& language : name.languages) {
                FixedFileVersion(language.bytes);
                DecodeToolVersionRecord(language.bytes);
            }
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view file(reinterpret_cast<const char*>(data), size);
    PeImage image;
    if (ReadPeImage(file, image) != PeResult::Ok) {
        if (!image.resources.types.empty()) std::abort();
        return 0;
    }
    size_t blocks = 0;
    if (HeldBytes(image.resources, blocks) > size) std::abort();
    InspectRcData(image);
    ReadVersions(image.resources);
    PeResourceTree tree = image.resources;
    for (bool grow : {false, true}) {
        if (grow && !tree.types.empty() && !tree.types[0].names.empty())
            tree.types[0].names[0].languages[0].bytes.append(4096, 'g');
        PeRewrite rewrite;
        if (RewriteResources(file, image, tree, rewrite) != PeResult::Ok) continue;
        PeImage again;
        if (ReadPeImage(rewrite.image, again) != PeResult::Ok || !(again.resources == tree)) std::abort();
        const uint32_t before = image.sections[*image.resourceSection].MappedSize();
        const uint32_t after = again.sections[*again.resourceSection].MappedSize();
        if (!grow && after > before + 8 * (blocks + 1)) std::abort();
    }
    return 0;
}
