// The catalogue's rows follow their derivation rules, and only tool buttons identify a row.
#include <gtest/gtest.h>
#include <set>
#include <string>

#include "shell/tool_catalogue.h"

namespace {

// "Marvolt.exe" + " Version 2.1.0.6 " -> "Marvolt_exe_V2106_BIN_WFD_NTC"
std::string DerivedResourceName(const ToolEntry& entry) {
    std::string name(entry.exeFileName);
    name[name.find('.')] = '_';
    name += "_V";
    for (char c : entry.versionText) {
        if (c >= '0' && c <= '9') name += c;
    }
    return name + "_BIN_WFD_NTC";
}

TEST(ToolCatalogue, NamesAndMessagesAreDerivedFromTheFileName) {
    for (const ToolEntry& entry : ToolCatalogue()) {
        EXPECT_EQ(entry.resourceName, DerivedResourceName(entry));
        EXPECT_EQ(entry.missingMessage, std::string(entry.exeFileName) + "  ->  Fehlt ");
        EXPECT_EQ(entry.fileLabelText, " " + std::string(entry.exeFileName) + " ");
    }
}

TEST(ToolCatalogue, ControlIdsFollowTheRowRule) {
    int row = 0;
    for (const ToolEntry& entry : ToolCatalogue()) {
        const int frame = 9810 + 5 * row++;
        EXPECT_EQ(entry.frameId, frame);
        EXPECT_EQ(entry.captionLabelId, frame + 1);
        EXPECT_EQ(entry.versionLabelId, frame + 2);
        EXPECT_EQ(entry.fileLabelId, frame + 3);
        EXPECT_EQ(entry.buttonId, frame + 4);
    }
}

TEST(ToolCatalogue, OnlyToolButtonsFindARow) {
    std::set<int> buttons;
    for (const ToolEntry& entry : ToolCatalogue()) {
        EXPECT_EQ(FindToolByButtonId(entry.buttonId), &entry);
        buttons.insert(entry.buttonId);
    }
    EXPECT_EQ(buttons.size(), 5u);
    for (int id = 9780; id <= 9850; ++id) {
        if (buttons.count(id) == 0) {
            EXPECT_EQ(FindToolByButtonId(id), nullptr) << id;
        }
    }
}

TEST(ToolCatalogue, TitlesAreNotCaptions) {
    const auto rows = ToolCatalogue();
    EXPECT_EQ(rows[1].windowTitle, " Cindrel Hausbox");
    EXPECT_EQ(rows[1].captionText, " Cindrel Hausbox ");
    EXPECT_EQ(rows[4].windowTitle, " Leitport Pellory Hausbox");
    EXPECT_EQ(rows[4].captionText, " Pellory Leitport - Hausbox ReConnect Tool ");
    EXPECT_EQ(rows[0].versionText, rows[1].versionText);
    EXPECT_EQ(rows[0].versionText, rows[3].versionText);
    EXPECT_NE(rows[2].versionText, rows[4].versionText);
}

} // namespace
