#include "tools/payload_tool/tool_kinds.h"

#include "payload/payload_format.h"
#include "standin/standin_marker.h"

namespace {

bool IsMarkerName(const PeResourceId& id) {
    constexpr std::string_view marker = FUNKELIS_STANDIN_MARKER_TEXT;
    return id.named && id.name == std::u16string(marker.begin(), marker.end());
}

constexpr std::string_view kNeverStarts =
    "Windows cannot start it, so the row's button writes the file beside the launcher and does nothing more";

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

ToolKind ToolKindOf(std::string_view fileBytes) { return {PeKindOf(fileBytes), IsStandIn(fileBytes)}; }

bool IsProgram(PeKind kind) {
    return kind != PeKind::Dll32 && kind != PeKind::Dll64 && kind != PeKind::Other;
}

std::string_view KindPhrase(PeKind kind) {
    switch (kind) {
    case PeKind::Program32:
        return "a 32-bit Windows program";
    case PeKind::Console32:
        return "a 32-bit console program";
    case PeKind::Program64:
        return "a 64-bit Windows program";
    case PeKind::Console64:
        return "a 64-bit console program";
    case PeKind::Dll32:
        return "a 32-bit DLL";
    case PeKind::Dll64:
        return "a 64-bit DLL";
    case PeKind::Other:
        break;
    }
    return "not a Windows program or DLL";
}

std::string ToolKindText(const ToolKind& kind) {
    return std::string(KindPhrase(kind.kind)) + (kind.standIn ? ", a stand-in" : "");
}

std::string_view KindConsequence(PeKind kind) {
    switch (kind) {
    case PeKind::Program32:
        return "";
    case PeKind::Console32:
        return "it runs in a console window, titled by its path unless it sets the row's window title "
               "itself; with another title a second press starts another copy and All Exit leaves it open";
    case PeKind::Program64:
        return "it starts only on 64-bit Windows; on 32-bit Windows the row's button does nothing";
    case PeKind::Console64:
        return "it starts only on 64-bit Windows, and in a console window titled by its path unless it "
               "sets the row's window title itself";
    case PeKind::Dll32:
    case PeKind::Dll64:
    case PeKind::Other:
        break;
    }
    return kNeverStarts;
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
