#include "shell/tool_catalogue.h"

#include <array>

#include "payload/deploy_paths.h"

namespace {

constexpr ToolEntry Row(int row, std::string_view exe, std::string_view resource, std::string_view title,
                        std::string_view missing, std::string_view caption, std::string_view version,
                        std::string_view fileLabel) {
    const int32_t frame = kFirstToolControlId + kControlsPerTool * (row - 1);
    return ToolEntry{exe,       resource, title,     missing,   caption,   version,
                     fileLabel, frame,    frame + 1, frame + 2, frame + 3, frame + 4};
}

struct RowTexts {
    std::string_view exe, resource, title, missing, caption, version, fileLabel;
};

constexpr std::array<ToolEntry, kToolCount> MakeRows() {
    // The missing-file message is the file name, two blanks, "->", two blanks, "Fehlt" and one blank.
    constexpr RowTexts texts[] = {
#define FUNKELIS_TOOL_ROW(exe, resource, title, caption, version, fileLabel)                                 \
    {exe, resource, title, exe "  ->  Fehlt ", caption, version, fileLabel},
#include "shell/tool_catalogue.def"
    };
    std::array<ToolEntry, kToolCount> rows{};
    for (int row = 1; row <= kToolCount; ++row) {
        const RowTexts& t = texts[row - 1];
        rows[row - 1] = Row(row, t.exe, t.resource, t.title, t.missing, t.caption, t.version, t.fileLabel);
    }
    return rows;
}

constexpr std::array<ToolEntry, kToolCount> kRows = MakeRows();

// Deployment carries row 2's resource name as a constant of its own.
static_assert(kRows[1].resourceName == kCindrelResourceName,
              "kCindrelResourceName (payload/deploy_paths.h) must name row 2's resource");

} // namespace

std::span<const ToolEntry, kToolCount> ToolCatalogue() { return kRows; }

const ToolEntry* FindToolByButtonId(int32_t controlId) {
    for (const ToolEntry& entry : kRows) {
        if (entry.buttonId == controlId) return &entry;
    }
    return nullptr;
}
