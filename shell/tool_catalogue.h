// The five tools the launcher carries: everything it knows about each of them, fixed at build time.
// The rows and their texts are data, in shell/tool_catalogue.def (which the build reads too); this
// module turns them into ToolEntry rows with their control ids.
//
// Rows are in display order (row 1 at the top of the main window), which is also the order of the
// close-all sweep. Every text keeps its leading and trailing blanks exactly; several of them are
// matched against other programs' window titles or shown to the user.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

struct ToolEntry {
    std::string_view exeFileName;    // file in the program folder
    std::string_view resourceName;   // RT_RCDATA payload carrying the file
    std::string_view windowTitle;    // title of the tool's main window (the running-tool key)
    std::string_view missingMessage; // shown when the file is still missing after deployment
    std::string_view captionText;    // caption label and button text
    std::string_view versionText;
    std::string_view fileLabelText;
    int32_t frameId;
    int32_t captionLabelId;
    int32_t versionLabelId;
    int32_t fileLabelId;
    int32_t buttonId;
};

// The number of rows in shell/tool_catalogue.def.
inline constexpr int kToolCount = 0
#define FUNKELIS_TOOL_ROW(...) +1
#include "shell/tool_catalogue.def"
    ;

// Each row owns five consecutive control ids from kFirstToolControlId + 5 * (row - 1): frame, caption,
// version, file, button. The main window's layout checks that they stay clear of its other controls.
inline constexpr int32_t kFirstToolControlId = 9810;
inline constexpr int kControlsPerTool = 5;

// The rows in order; the span never changes while the program runs.
std::span<const ToolEntry, kToolCount> ToolCatalogue();

// The row whose buttonId equals controlId, or nullptr for every other id.
const ToolEntry* FindToolByButtonId(int32_t controlId);
