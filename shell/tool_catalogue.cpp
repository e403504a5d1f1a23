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

constexpr auto kRows = std::to_array<ToolEntry>({
    Row(1, "Marvolt.exe", "Marvolt_exe_V2106_BIN_WFD_NTC", " Marvolt", "Marvolt.exe  ->  Fehlt ",
        " Marvolt Tool Faxwerk ", " Version 2.1.0.6 ", " Marvolt.exe "),
    Row(2, "Cindrel.exe", "Cindrel_exe_V2106_BIN_WFD_NTC", " Cindrel Hausbox", "Cindrel.exe  ->  Fehlt ",
        " Cindrel Hausbox ", " Version 2.1.0.6 ", " Cindrel.exe "),
    Row(3, "Stavnik.exe", "Stavnik_exe_V2103_BIN_WFD_NTC", " Stavnik", "Stavnik.exe  ->  Fehlt ", " Stavnik ",
        " Version 2.1.0.3 ", " Stavnik.exe "),
    Row(4, "Woberin.exe", "Woberin_exe_V2106_BIN_WFD_NTC", " Woberin", "Woberin.exe  ->  Fehlt ",
        " Woberin -> Marvolt an aus ", " Version 2.1.0.6 ", " Woberin.exe "),
    Row(5, "Pellory.exe", "Pellory_exe_V2102_BIN_WFD_NTC", " Leitport Pellory Hausbox",
        "Pellory.exe  ->  Fehlt ", " Pellory Leitport - Hausbox ReConnect Tool ", " Version 2.1.0.2 ",
        " Pellory.exe "),
});
static_assert(kRows.size() == kToolCount,
              "kToolCount must count the catalogue's rows (the main window has room "
              "for five, shell/main_window_layout.h)");

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
