// Which WM_COMMAND notifications the main window acts on, and when closing takes the tools along.
#include <gtest/gtest.h>

#include "shell/command_table.h"
#include "shell/main_window_layout.h"
#include "shell/tool_catalogue.h"

namespace {

constexpr int32_t kDoubleClicked = 5;
constexpr int32_t kSetFocus = 6;
constexpr int32_t kKillFocus = 7;

TEST(CommandActionFor, ButtonsActOnCodesZeroAndOneOnly) {
    for (const ToolEntry& row : ToolCatalogue()) {
        EXPECT_EQ(CommandActionFor(row.buttonId, 0), CommandAction::RunTool) << row.buttonId;
        EXPECT_EQ(CommandActionFor(row.buttonId, 1), CommandAction::RunTool) << row.buttonId;
        for (int32_t code : {2, kDoubleClicked, kSetFocus, kKillFocus}) {
            EXPECT_EQ(CommandActionFor(row.buttonId, code), CommandAction::None)
                << row.buttonId << ' ' << code;
        }
        // The other controls of a tool's group have no action.
        for (int32_t id : {row.frameId, row.captionLabelId, row.versionLabelId, row.fileLabelId}) {
            EXPECT_EQ(CommandActionFor(id, 0), CommandAction::None) << id;
        }
    }
    EXPECT_EQ(CommandActionFor(kExitButtonId, 0), CommandAction::EndWindow);
    EXPECT_EQ(CommandActionFor(kExitButtonId, 1), CommandAction::EndWindow);
    EXPECT_EQ(CommandActionFor(kExitButtonId, kDoubleClicked), CommandAction::None);
}

TEST(CommandActionFor, CheckBoxTakesEveryCodeLabelOnlyItsDoubleClick) {
    for (int32_t code : {0, 1, kDoubleClicked, kSetFocus, kKillFocus, 0xFFFF}) {
        EXPECT_EQ(CommandActionFor(kAllExitCheckBoxId, code), CommandAction::StoreOption) << code;
    }
    EXPECT_EQ(CommandActionFor(kHomePageLabelId, 1), CommandAction::OpenHomePage);
    for (int32_t code : {0, 2, 3, 4}) {
        EXPECT_EQ(CommandActionFor(kHomePageLabelId, code), CommandAction::None) << code;
    }
    EXPECT_EQ(CommandActionFor(kHeadingLabelId, 1), CommandAction::None);
    EXPECT_EQ(CommandActionFor(0, 0), CommandAction::None);
}

TEST(ClosesToolsOnExit, OnlyAReadOptionOfExactlyOne) {
    EXPECT_TRUE(ClosesToolsOnExit(1, "1"));
    EXPECT_TRUE(ClosesToolsOnExit(1, "01"));
    EXPECT_FALSE(ClosesToolsOnExit(1, "10"));
    EXPECT_FALSE(ClosesToolsOnExit(1, "0"));
    EXPECT_FALSE(ClosesToolsOnExit(1, ""));
    EXPECT_FALSE(ClosesToolsOnExit(0, "1"));
}

} // namespace
