#include "payload/tool_version.h"

#include "base/byte_order.h"

std::string EncodeToolVersionRecord(std::optional<FileVersion> version) {
    if (!version) return "";
    std::string record(kToolVersionRecordSize, '\0');
    PutLe32(record, 0, version->high);
    PutLe32(record, 4, version->low);
    return record;
}

std::optional<FileVersion> DecodeToolVersionRecord(std::string_view record) {
    if (record.size() != kToolVersionRecordSize) return std::nullopt;
    return FileVersion{GetLe32(record, 0), GetLe32(record, 4)};
}

bool ReplacesPresentTool(const PresentTool& present, std::optional<FileVersion> carried) {
    return present.plainFile && !present.readOnly && present.version && carried &&
           *carried > *present.version;
}
