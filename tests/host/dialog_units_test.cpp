#include <cstdint>
#include <gtest/gtest.h>
#include <limits>

#include "shell/dialog_units.h"

namespace {

// 1024 units over 1536 pixels: one unit is 1.5 pixels, as with an 8-point font at 96 dpi horizontally.
constexpr int32_t kPer1024 = 1536;

TEST(PixelsToDialogUnits, RoundsToNearestWithHalvesUp) {
    EXPECT_EQ(PixelsToDialogUnits(0, kPer1024), 0);
    EXPECT_EQ(PixelsToDialogUnits(3, kPer1024), 2); // exactly 2
    EXPECT_EQ(PixelsToDialogUnits(1, kPer1024), 1); // 0.667
    EXPECT_EQ(PixelsToDialogUnits(2, 4096), 1);     // 0.5 goes up
    EXPECT_EQ(PixelsToDialogUnits(1, 4096), 0);     // 0.25
    EXPECT_EQ(PixelsToDialogUnits(3, 2048), 2);     // 1.5 goes up
    EXPECT_EQ(PixelsToDialogUnits(492, 1536), 328); // a typical outer width
}

TEST(PixelsToDialogUnits, NegativeWithRemainderGoesToNextLowerUnit) {
    EXPECT_EQ(PixelsToDialogUnits(-3, kPer1024), -2); // exact
    EXPECT_EQ(PixelsToDialogUnits(-1, 4096), -1);     // -0.25
    EXPECT_EQ(PixelsToDialogUnits(-2, 4096), -1);     // -0.5
    EXPECT_EQ(PixelsToDialogUnits(-4, 4096), -1);     // exact
    EXPECT_EQ(PixelsToDialogUnits(-5, 4096), -2);     // -1.25
    EXPECT_EQ(PixelsToDialogUnits(-1, kPer1024), -1); // -0.667
}

TEST(PixelsToDialogUnits, SaturatesInsteadOfOverflowing) {
    constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
    constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
    EXPECT_EQ(PixelsToDialogUnits(kMax, 1), kMax);
    EXPECT_EQ(PixelsToDialogUnits(kMin, 1), kMin);
    EXPECT_EQ(PixelsToDialogUnits(kMax, kMax), 1024);
    EXPECT_EQ(PixelsToDialogUnits(kMin, kMax), -1025);
    EXPECT_EQ(PixelsToDialogUnits(1, kMax), 0);
}

TEST(WholeDialogUnitsIn, RoundsDownSoThatTheUnitsFit) {
    EXPECT_EQ(WholeDialogUnitsIn(1280, kPer1024), 853); // 853.33
    EXPECT_EQ(WholeDialogUnitsIn(1279, 2048), 639);     // 639.5 does not fit
}

TEST(PixelsToDialogUnits, NonPositiveScaleGivesZero) {
    EXPECT_EQ(PixelsToDialogUnits(100, 0), 0);
    EXPECT_EQ(PixelsToDialogUnits(100, -1536), 0);
}

} // namespace
