#include <gtest/gtest.h>
#include <set>
#include <string>
#include <string_view>

#include "shell/main_window_layout.h"
#include "shell/tool_catalogue.h"

namespace {

constexpr uint32_t kChildVisible = 0x50000000;
constexpr uint32_t kTabStop = 0x00010000;

TEST(MainWindowLayout, WindowConstants) {
    EXPECT_STREQ(MainWindowTitle, " Funkelis Tools");
    EXPECT_EQ(std::string_view(MainWindowTitle).size(), 15u);
    EXPECT_EQ(kMainWindowStyle & kWindowVisibleBit, kWindowVisibleBit);
    EXPECT_EQ(kClientWidthUnits, 324);
    EXPECT_EQ(kClientHeightUnits, 251);
    EXPECT_EQ(kIconResourceName, "#" + std::to_string(kIconResourceId));
}

TEST(MainWindowLayout, FixedControlsAndOrder) {
    const auto controls = MainWindowControls();
    const ControlSpec& heading = controls[0];
    EXPECT_EQ(heading.id, kHeadingLabelId);
    EXPECT_EQ(heading.text, " Das kleine Funkeli Tool mit ein paar kleinen Tools ");
    EXPECT_EQ(heading.style, 0x50000101u);

    const ControlSpec& exit = controls[26];
    EXPECT_EQ(exit.id, 9805);
    EXPECT_EQ(exit.className, "BUTTON");
    EXPECT_EQ(exit.style, 0x50010000u);
    EXPECT_EQ(exit.text, " E X I T ");
    EXPECT_EQ(exit.x, 130);
    EXPECT_EQ(exit.y, 230);
    EXPECT_EQ(exit.width, 65);
    EXPECT_EQ(exit.height, 15);

    const ControlSpec& homePage = controls[27];
    EXPECT_EQ(homePage.id, 9802);
    EXPECT_EQ(homePage.className, "STATIC");
    // Fault: without SS_NOPREFIX the label drew "?a=1&b=2" as "?a=1b=2" with an underlined "b".
    EXPECT_EQ(homePage.style, 0x50000181u);
    EXPECT_EQ(homePage.text, ""); // the window layer shows the launcher's own home page
    EXPECT_EQ(homePage.y, 178);
    EXPECT_EQ(homePage.y + homePage.height, 188);

    const ControlSpec& checkBox = controls[28];
    EXPECT_EQ(checkBox.id, 9835);
    EXPECT_EQ(checkBox.className, "BUTTON");
    EXPECT_EQ(checkBox.style, 0x50014F23u);
    EXPECT_EQ(checkBox.text, " All Exit ");
    EXPECT_EQ(checkBox.x, 275);
    EXPECT_EQ(checkBox.width, 40);
}

TEST(MainWindowLayout, ToolGroupsFollowTheRowRule) {
    const auto controls = MainWindowControls();
    int row = 1;
    for (const ToolEntry& entry : ToolCatalogue()) {
        const int top = 17 + 41 * (row - 1);
        const ControlSpec* group = &controls[1 + 5 * (row - 1)];
        SCOPED_TRACE(row);
        const int expectedIds[] = {entry.frameId, entry.captionLabelId, entry.versionLabelId,
                                   entry.fileLabelId, entry.buttonId};
        for (int i = 0; i < 5; ++i) EXPECT_EQ(group[i].id, 9810 + 5 * (row - 1) + i);
        for (int i = 0; i < 5; ++i) EXPECT_EQ(group[i].id, expectedIds[i]);

        EXPECT_EQ(group[0].className, "BUTTON");
        EXPECT_EQ(group[0].style, 0x50000007u);
        EXPECT_EQ(group[0].text, "");
        EXPECT_EQ(group[0].x, 10);
        EXPECT_EQ(group[0].y, top);
        EXPECT_EQ(group[0].width, 305);
        EXPECT_EQ(group[0].height, 40);

        EXPECT_EQ(group[1].style, 0x50000100u);
        EXPECT_EQ(group[1].text, entry.captionText);
        EXPECT_EQ(group[1].x, 15);
        EXPECT_EQ(group[1].y, top + 9);
        EXPECT_EQ(group[1].width, 210);

        EXPECT_EQ(group[2].style, 0x50000102u);
        EXPECT_EQ(group[2].text, entry.versionText);
        EXPECT_EQ(group[2].x, 235);
        EXPECT_EQ(group[2].y, top + 9);
        EXPECT_EQ(group[2].width, 65);

        EXPECT_EQ(group[3].style, 0x50000100u);
        EXPECT_EQ(group[3].text, entry.fileLabelText);
        EXPECT_EQ(group[3].x, 15);
        EXPECT_EQ(group[3].y, top + 24);
        EXPECT_EQ(group[3].width, 135);

        EXPECT_EQ(group[4].className, "BUTTON");
        EXPECT_EQ(group[4].style, 0x5001CF00u);
        EXPECT_EQ(group[4].text, entry.captionText);
        EXPECT_EQ(group[4].x, 150);
        EXPECT_EQ(group[4].y, top + 22);
        EXPECT_EQ(group[4].width, 155);
        EXPECT_EQ(group[4].height, 14);
        for (int i = 1; i < 4; ++i) {
            EXPECT_EQ(group[i].className, "STATIC");
            EXPECT_EQ(group[i].height, 10);
        }
        ++row;
    }
    EXPECT_EQ(controls[21].y, 181); // the fifth frame, crossed by the home-page label
}

TEST(MainWindowLayout, EveryControlIsAVisibleChildWithUniqueIdInsideTheClientArea) {
    std::set<int32_t> ids;
    for (const ControlSpec& control : MainWindowControls()) {
        SCOPED_TRACE(control.id);
        EXPECT_TRUE(ids.insert(control.id).second);
        EXPECT_GE(control.id, 9801);
        EXPECT_LE(control.id, 9835);
        EXPECT_EQ(control.style & kChildVisible, kChildVisible);
        EXPECT_LE(control.x + control.width, kClientWidthUnits);
        EXPECT_LE(control.y + control.height, kClientHeightUnits);
    }
}

TEST(MainWindowLayout, TabStopsAreToolButtonsThenExitThenCheckBox) {
    std::vector<int32_t> tabStops;
    for (const ControlSpec& control : MainWindowControls()) {
        if (control.style & kTabStop) tabStops.push_back(control.id);
    }
    EXPECT_EQ(tabStops, (std::vector<int32_t>{9814, 9819, 9824, 9829, 9834, 9805, 9835}));
}

// Faults: an arrow key from no control or from a label misses the tab stops; another key moves the focus.
TEST(MainWindowLayout, ArrowKeysFromOffTheTabStopsAndOtherKeys) {
    EXPECT_EQ(ArrowKeyFocusTarget(0x26, 0), 9835);    // Up from no control
    EXPECT_EQ(ArrowKeyFocusTarget(0x28, 9816), 9819); // Down from row 2's caption label
    EXPECT_EQ(ArrowKeyFocusTarget(0x0D, 9814), 0);    // Enter
}

TEST(MainWindowLayout, Colours) {
    EXPECT_EQ(FindControlColour(9801)->textColour, 0x00C08040u);
    EXPECT_EQ(FindControlColour(9801)->background, ColourBackground::SystemFace);
    EXPECT_EQ(FindControlColour(9802)->textColour, 0x00804000u);
    EXPECT_EQ(FindControlColour(9802)->background, ColourBackground::Transparent);
    EXPECT_EQ(FindControlColour(9835)->textColour, 0x00C08000u);
    EXPECT_EQ(FindControlColour(9835)->background, ColourBackground::SystemFace);
    EXPECT_EQ(FindControlColour(9805), nullptr);
    EXPECT_EQ(FindControlColour(9814), nullptr);
}

TEST(MainWindowLayout, HeadingFontHeightTruncatesTowardsZero) {
    EXPECT_EQ(HeadingFontHeight(96), -13);
    EXPECT_EQ(HeadingFontHeight(120), -16);
    EXPECT_EQ(HeadingFontHeight(144), -20);
    EXPECT_EQ(HeadingFontHeight(192), -26);
    EXPECT_EQ(HeadingFontHeight(72), -10);
    EXPECT_EQ(HeadingFontHeight(7), 0);
}

TEST(MainWindowLayout, ShowStates) {
    EXPECT_EQ(NormalizeShowState(0), 0);
    EXPECT_EQ(NormalizeShowState(3), 3);
    EXPECT_EQ(NormalizeShowState(6), 6);
    for (int other : {1, 2, 4, 5, 7, 9, 11, -1}) EXPECT_EQ(NormalizeShowState(other), 5) << other;
    EXPECT_EQ(FirstSizeType(6), 1u);
    EXPECT_EQ(FirstSizeType(3), 2u);
    EXPECT_EQ(FirstSizeType(5), 0u);
    EXPECT_EQ(FirstSizeType(0), 0u);
}

} // namespace
