#include "tools/payload_tool/tool_kinds.h"

#include "payload/payload_format.h"
#include "standin/standin_marker.h"

namespace {

bool IsMarkerName(const PeResourceId& id) {
    constexpr std::string_view marker = FUNKELIS_STANDIN_MARKER_TEXT;
    return id.named && id.name == std::u16string(marker.begin(), marker.end());
}

} // namespace

bool IsStandIn(std::string_view fileBytes) {
    PeImage image;
    if (ReadPeImage(fileBytes, image) != PeResult::Ok) return false;
    const PeResourceType* type = FindResourceType(image.resources, kRtRcData);
    if (type == nullptr) return false;
    for (const PeResourceName& name : type->names) {
        if (IsMarkerName(name.id)) return true;
    }
    return false;
}

std::vector<int> StandInRows(const Executable& exe) {
    const Payloads payloads = PayloadsOf(exe.image);
    std::vector<int> rows;
    for (size_t row = 0; row < ToolCatalogue().size(); ++row) {
        PayloadImage tool;
        if (ReadPayload(payloads.store, ToolCatalogue()[row].resourceName, tool) && IsStandIn(tool.fileBytes))
            rows.push_back(static_cast<int>(row) + 1);
    }
    return rows;
}
