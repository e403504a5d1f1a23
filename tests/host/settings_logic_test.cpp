#include <cmath>
#include <cstdlib>
#include <gtest/gtest.h>
#include <limits>
#include <tuple>

#include "base/text_ops.h"
#include "settings/program_facts.h"
#include "settings/settings_file.h"
#include "settings/version_stamp.h"
#include "settings/window_placement.h"
#include "tests/host/test_pe_image.h"

using namespace std::string_literals;

TEST(TextOps, KeepOnlyKeepsOrderAndDropsTheRest) {
    EXPECT_EQ(KeepOnly("\"2.1.0.4\"", "0123456789."), "2.1.0.4");
    EXPECT_EQ(KeepOnly("v 2.1.0.4 beta", "0123456789"), "2104");
    EXPECT_EQ(KeepOnly("abc", "01"), "");
    EXPECT_EQ(KeepOnly("1\0"s
                       "0",
                       "01"),
              "10");
}

TEST(TextOps, TrimBlanksRemovesSpacesAndNulsAtBothEndsOnly) {
    EXPECT_EQ(TrimBlanks("\0 \0 12 3 \0\0 "s), "12 3");
    EXPECT_EQ(TrimBlanks(" \0 "s), "");
    EXPECT_EQ(TrimBlanks("\t7\t"), "\t7\t");
    EXPECT_EQ(TrimBlanks("a\0b"s), "a\0b"s);
}

TEST(TextOps, ReadNumberReadsTheLeadingDecimal) {
    EXPECT_EQ(ReadNumber("12abc"), 12.0);
    EXPECT_EQ(ReadNumber("abc"), 0.0);
    EXPECT_EQ(ReadNumber(" -7"), -7.0);
    EXPECT_EQ(ReadNumber(" \t\n+3.25x"), 3.25);
    EXPECT_EQ(ReadNumber("-.5"), -0.5);
    EXPECT_EQ(ReadNumber("1.2.3"), 1.2);
    EXPECT_EQ(ReadNumber("-"), 0.0);
    EXPECT_EQ(ReadNumber("\r5"), 0.0);
    EXPECT_EQ(ReadNumber("- 5"), 0.0);
    EXPECT_EQ(ReadNumber("1e5"), 1.0);
    EXPECT_EQ(ReadNumber("&H10"), 0.0);
}

TEST(TextOps, ReadNumberSurvivesHugeDigitStrings) {
    // A stamp's digits are read as one number: thirty digits, or four hundred, must stay positive.
    EXPECT_GT(ReadNumber("101220091012200910122009101220"), 1e29);
    EXPECT_EQ(ReadNumber(std::string(400, '9')), HUGE_VAL);
    EXPECT_EQ(ReadNumber("-" + std::string(400, '9')), -HUGE_VAL);
    EXPECT_EQ(ReadNumber(std::string(400, '0')), 0.0);
    EXPECT_EQ(ReadNumber("0." + std::string(400, '0') + "1"), 0.0);
}

// Fault: the i686 build's x87 rounded the quotient of digits and power of ten twice, so that
// "8522.815517" read as 8522.8155169999991; the C library's reading is the nearest double.
TEST(TextOps, ReadNumberGivesTheNearestDouble) {
    for (const std::string& text :
         {"8522.815517"s, "9007199254740993"s, "0." + std::string(323, '0') + "24703282292062328",
          "17976931348623159" + std::string(292, '0')}) {
        EXPECT_EQ(ReadNumber(text), std::strtod(text.c_str(), nullptr)) << text;
    }
}

// Resource names and payload endings are judged through it: a NUL or a non-ASCII byte must not change.
TEST(TextOps, AsciiUpperCaseChangesOnlyAsciiLetters) {
    EXPECT_EQ(AsciiUpperCase(".exe"), ".EXE");
    EXPECT_EQ(AsciiUpperCase(""), "");
    EXPECT_EQ(AsciiUpperCase("ab\0cd"s), "AB\0CD"s);
    EXPECT_EQ(AsciiUpperCase("\xE4z"), "\xE4Z");
}

TEST(TextOps, RoundToInt32GoesHalfToEvenAndSaturates) {
    EXPECT_EQ(RoundToInt32(2.5), 2);
    EXPECT_EQ(RoundToInt32(3.5), 4);
    EXPECT_EQ(RoundToInt32(-2.5), -2);
    EXPECT_EQ(RoundToInt32(-3.5), -4);
    EXPECT_EQ(RoundToInt32(-0.6), -1);
    EXPECT_EQ(RoundToInt32(1e12), std::numeric_limits<int32_t>::max());
    EXPECT_EQ(RoundToInt32(-1e12), std::numeric_limits<int32_t>::min());
    EXPECT_EQ(RoundToInt32(HUGE_VAL), std::numeric_limits<int32_t>::max());
    EXPECT_EQ(RoundToInt32(2147483647.4), 2147483647);
    EXPECT_EQ(RoundToInt32(-2147483648.5), std::numeric_limits<int32_t>::min());
    EXPECT_EQ(RoundToInt32(std::nan("")), 0);
}

TEST(SettingsPathRules, ProgramFolderKeepsTheLastBackslash) {
    EXPECT_EQ(ProgramFolderOf("C:\\Tools\\Launcher.exe"), "C:\\Tools\\");
    EXPECT_EQ(ProgramFolderOf("Launcher.exe"), "");
    EXPECT_EQ(ProgramFolderOf(""), "");
}

TEST(SettingsPathRules, ExeExtensionIsReplacedInAnyCase) {
    EXPECT_EQ(SettingsPathOf("C:\\Tools\\Launcher.exe", "ini"), "C:\\Tools\\Launcher.ini");
    EXPECT_EQ(SettingsPathOf("C:\\TOOLS\\LAUNCHER.EXE", "ini"), "C:\\TOOLS\\LAUNCHER.ini");
    EXPECT_EQ(SettingsPathOf("C:\\Tools\\Launcher.Exe", "ini"), "C:\\Tools\\Launcher.ini");
    EXPECT_EQ(SettingsPathOf(".exe", "ini"), ".ini");
}

TEST(SettingsPathRules, OtherNamesNeverGiveTheExecutableItself) {
    EXPECT_EQ(SettingsPathOf("C:\\Tools\\Tool.bin", "ini"), "C:\\Tools\\Tool.bin.ini");
    EXPECT_EQ(SettingsPathOf("C:\\Tools\\Tool.ini", "ini"), "C:\\Tools\\Tool.ini.ini");
    EXPECT_EQ(SettingsPathOf("C:\\Tools\\Toolexe", "ini"), "C:\\Tools\\Toolexe.ini");
    EXPECT_EQ(SettingsPathOf("C:\\x", "ini"), "C:\\x.ini");
    EXPECT_EQ(SettingsPathOf("", "ini"), "");
}

TEST(SettingsPathRules, APathThatDoesNotFitItsFieldIsDropped) {
    EXPECT_EQ(FitField(std::string(259, 'a'), 260), std::string(259, 'a'));
    EXPECT_EQ(FitField(std::string(260, 'a'), 260), "");
    // Fault: stamp and option took settings paths up to 519 characters; the profile functions cut them.
    // Wine writes a garbled file at 260 and 261 characters already.
    for (size_t n : {258, 259, 260, 261, 262})
        EXPECT_EQ(ProfilePathOf(std::string(n, 'a')).size(), n < 260 ? n : 0);
}

TEST(SettingsPathRules, AModulePathThatFillsItsWholeFieldGivesNoSettingsPath) {
    // The platform reports the whole field when it cut the path; the cut path would name another file.
    const std::string longest = "C:\\" + std::string(kModulePathField - 10, 'd') + "\\T.exe";
    ASSERT_EQ(longest.size(), kModulePathField - 1);
    // The same field holds the first 519 characters of any longer path.
    const std::string field = longest + '\0';
    EXPECT_EQ(SettingsPathOf(ModulePathOf(field, longest.size()), "ini"), longest.substr(0, 516) + "ini");
    EXPECT_EQ(SettingsPathOf(ModulePathOf(field, kModulePathField), "ini"), "");
    EXPECT_EQ(SettingsPathOf(ModulePathOf(field, 0), "ini"), "");
}

// Fault: started through its 8.3 short path, the launcher kept a second settings file, FUNKEL~1.ini. A
// long form that is missing or too long for its field leaves the path as loaded.
TEST(SettingsPathRules, TheLongFormOfTheModulePathNamesTheSettingsFile) {
    std::string field = "C:\\Program Files\\FunkelisTools.exe";
    field.resize(kModulePathField);
    EXPECT_EQ(SettingsPathOf(PreferLongPath("C:\\PROGRA~1\\FUNKEL~1.EXE", field, 34), "ini"),
              "C:\\Program Files\\FunkelisTools.ini");
    EXPECT_EQ(PreferLongPath("C:\\X~1.EXE", field, 0), "C:\\X~1.EXE");
    EXPECT_EQ(PreferLongPath("C:\\X~1.EXE", field, kModulePathField), "C:\\X~1.EXE");
}

TEST(StampRules, FilteredStampsMatchOnlyWhenNotAllZero) {
    EXPECT_TRUE(StoredVersionMatches("\"2.1.0.4\"", "2.1.0.4"));
    EXPECT_TRUE(StoredVersionMatches(" v2.1.0.4 ", "2.1.0.4"));
    EXPECT_FALSE(StoredVersionMatches("2.1.0.3", "2.1.0.4"));
    EXPECT_FALSE(StoredVersionMatches("2.1.0.4.", "2.1.0.4"));
    EXPECT_FALSE(StoredVersionMatches("0.0.0.0", "0.0.0.0"));
    EXPECT_FALSE(StoredVersionMatches("...", "..."));
    EXPECT_FALSE(StoredVersionMatches("", ""));
    EXPECT_TRUE(StoredDateMatches("\"10122009\"\r\n", "10122009"));
    EXPECT_TRUE(StoredDateMatches("10.12.2009", "10122009"));
    EXPECT_FALSE(StoredDateMatches("00000000", "00000000"));
    EXPECT_FALSE(StoredDateMatches("10122008", "10122009"));
    EXPECT_FALSE(StoredDateMatches("", ""));
}

namespace {

PlacementRestore Plan(PlacementRecord& record, std::array<std::string, 5> texts, int32_t designW = 300,
                      int32_t designH = 200) {
    return PlanPlacementRestore(record, texts, designW, designH);
}

} // namespace

TEST(PlacementRestore, NothingStoredTakesTheWindowsPlacement) {
    PlacementRecord record;
    const PlacementRestore restore = Plan(record, {"", " ", "\0"s, "", ""});
    EXPECT_FALSE(restore.move);
    EXPECT_FALSE(restore.resize);
    EXPECT_FALSE(restore.minimise);
    EXPECT_TRUE(restore.takeCurrent);
}

TEST(PlacementRestore, StoredPositionMovesAndASmallerSizeKeepsTheDesignSize) {
    PlacementRecord record;
    const PlacementRestore restore = Plan(record, {"120", "80", "100", "50", "0"});
    EXPECT_TRUE(restore.move);
    EXPECT_FALSE(restore.resize);
    EXPECT_FALSE(restore.minimise);
    EXPECT_FALSE(restore.takeCurrent);
    EXPECT_EQ(record.W, 300);
    EXPECT_EQ(record.H, 200);
}

TEST(PlacementRestore, OneLargerDimensionResizesWithinTheWorkAreaButNeverBelowTheDesignSize) {
    // Fault: the other stored dimension was taken as it was: 400 x 1 or 400 x 0 collapsed the window.
    // Fault: 1431655766 x 300 overflowed the conversion to pixels, a window 0 pixels wide.
    for (const auto& [w, h, size] : {std::tuple{"400", "150", std::pair{400, 200}},
                                     {"400", "0", {400, 200}},
                                     {"1", "300", {300, 300}},
                                     {"1431655766", "300", {853, 300}},
                                     {"2147483647", "2147483647", {853, 614}}}) {
        PlacementRecord record;
        EXPECT_TRUE(Plan(record, {"10", "20", w, h, ""}).resize);
        FitSizeToWorkArea(record, 300, 200, 853, 614);
        EXPECT_EQ(std::pair(record.W, record.H), size) << w << "x" << h;
    }
    PlacementRecord onASmallScreen{10, 20, 99999, 99999, 0};
    FitSizeToWorkArea(onASmallScreen, 300, 200, 250, 150);
    EXPECT_EQ(std::pair(onASmallScreen.W, onASmallScreen.H), std::pair(300, 200));
}

TEST(PlacementRestore, AZeroCoordinateMovesThenTakesTheWindowsPlacement) {
    PlacementRecord record;
    const PlacementRestore restore = Plan(record, {"0", "40", "300", "200", ""});
    EXPECT_TRUE(restore.move);
    EXPECT_TRUE(restore.takeCurrent);
}

TEST(PlacementRestore, NoPositiveValueMeansNoMove) {
    PlacementRecord record;
    PlacementRestore restore = Plan(record, {"-5", "-7", "-1", "-1", "1"});
    EXPECT_FALSE(restore.move);
    EXPECT_FALSE(restore.takeCurrent);
    EXPECT_TRUE(restore.minimise);
    EXPECT_EQ(record.X, -5);

    PlacementRecord withZero;
    restore = Plan(withZero, {"-5", "0", "-1", "-1", ""});
    EXPECT_FALSE(restore.move);
    EXPECT_TRUE(restore.takeCurrent);
}

TEST(PlacementRestore, StoredTextsAreTrimmedReadAndRoundedHalfToEven) {
    PlacementRecord record;
    EXPECT_TRUE(Plan(record, {" 12.5 ", "13.5px", "\0 400.5"s, "252.5", "1.5"}).resize);
    EXPECT_EQ(record.X, 12);
    EXPECT_EQ(record.Y, 14);
    EXPECT_EQ(record.W, 400);
    EXPECT_EQ(record.H, 252);
    EXPECT_EQ(record.Minm, 2);
}

TEST(PlacementRestore, GarbageAndHugeTextsGiveValidFields) {
    PlacementRecord record;
    Plan(record, {"abc", std::string(400, '9'), "-99999999999", "x", "\x01\xff"});
    EXPECT_EQ(record.X, 0);
    EXPECT_EQ(record.Y, std::numeric_limits<int32_t>::max());
    EXPECT_EQ(record.W, 300);
    EXPECT_EQ(record.H, 200);
    EXPECT_EQ(record.Minm, 0);
}

TEST(PlacementRestore, MinimisedOnlyForOne) {
    for (const auto& [text, minimise] : {std::pair{"1", true}, {"0", false}, {"2", false}, {" 1.4", true}}) {
        PlacementRecord record;
        EXPECT_EQ(Plan(record, {"10", "10", "300", "200", text}).minimise, minimise) << text;
    }
}

TEST(PlacementRestore, EmptyKeysLeaveTheirFieldsAlone) {
    PlacementRecord record{5, 6, 7, 8, 1};
    Plan(record, {"", "", "", "", "0"});
    EXPECT_EQ(record.X, 5);
    EXPECT_EQ(record.Minm, 0);
}

namespace {

constexpr PixelRect kPrimary{0, 0, 1280, 1024};
constexpr PixelRect kLeftMonitor{-1920, 0, 0, 1040};
constexpr std::array<PixelRect, 2> kWorkAreas{kPrimary, kLeftMonitor};
constexpr int32_t kCaption = 25; // odd: half of it is 13 pixels, not 12

bool Same(const PixelRect& a, const PixelRect& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

} // namespace

TEST(ReachablePlacement, ACaptionBarOnAnyWorkAreaStaysExactlyWhereItWas) {
    // A window moved although the user can reach it would lose a placement on a second monitor.
    // At the edges: half the caption's height, four caption heights of its width, or a whole narrow bar.
    for (const PixelRect window :
         {PixelRect{-1500, 200, -1000, 500}, PixelRect{-60, 49, 540, 350}, PixelRect{-300, -12, 300, 400},
          PixelRect{1176, 1011, 1776, 1300}, PixelRect{1230, 1011, 1280, 1100}}) {
        EXPECT_TRUE(Same(ReachableWindowRect(window, kCaption, kWorkAreas, kPrimary), window)) << window.left;
    }
}

TEST(ReachablePlacement, ASliverOfTheCaptionBarOnScreenIsMovedOn) {
    // Fault: any pixel of the bar counted: Y=629 (2 pixels at the bottom), X=-326 (3 at the left) stayed.
    const std::array<PixelRect, 1> primaryOnly{kPrimary};
    for (const auto& [window, movedTo] :
         {std::pair{PixelRect{100, 1022, 700, 1322}, PixelRect{100, 724, 700, 1024}},
          {{-597, 300, 3, 600}, {0, 300, 600, 600}},
          {{-300, -13, 300, 400}, {0, 0, 600, 413}},
          {{1181, 1011, 1781, 1300}, {680, 735, 1280, 1024}},
          {{1231, 1011, 1281, 1100}, {1230, 935, 1280, 1024}}}) {
        EXPECT_TRUE(Same(ReachableWindowRect(window, kCaption, primaryOnly, kPrimary), movedTo))
            << window.left;
    }
}

TEST(ReachablePlacement, AWindowOnAMonitorThatIsGoneMovesIntoTheNearestWorkAreaWithItsSize) {
    // Stored at X=-5000, Y=3000 dialog units: every later start would be off screen.
    const PixelRect farAway{-7500, 4875, -6900, 5175};
    const PixelRect moved = ReachableWindowRect(farAway, kCaption, kWorkAreas, kLeftMonitor);
    EXPECT_TRUE(Same(moved, PixelRect{-1920, 740, -1320, 1040})) << moved.left << "," << moved.top;
    // Only the caption bar counts: a window whose lower part reaches a screen is still moved.
    const PixelRect captionAbove{100, -300, 700, 20};
    EXPECT_TRUE(Same(ReachableWindowRect(captionAbove, kCaption, kWorkAreas, kPrimary), {100, 0, 700, 320}));
}

TEST(ReachablePlacement, AWindowLargerThanTheWorkAreaGetsItsTopLeftCornerOnScreen) {
    // A stored size of 99999999 gives a 32767-pixel window: its caption and system menu must be reachable.
    const PixelRect huge{-7500, 4875, 25267, 37642};
    EXPECT_TRUE(Same(ReachableWindowRect(huge, kCaption, kWorkAreas, kPrimary), {0, 0, 32767, 32767}));
    constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
    constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
    const PixelRect moved = ReachableWindowRect({kMin, kMin, kMax, kMax}, kCaption, kWorkAreas, kPrimary);
    EXPECT_TRUE(Same(moved, {0, 0, kMax, kMax})) << moved.right;
}

// Faults: a string-table block cut short (or lying about its lengths) read past its end.
TEST(ProgramFacts, ResourcesCutShortOrWithoutTheirSignatureGiveNothing) {
    const std::string block = "\0\0\2\0a\0b\0"s + std::string(28, '\0');
    EXPECT_EQ(StringBlockEntry(block, 0), u"");
    EXPECT_EQ(StringBlockEntry(block, 1), u"ab");
    EXPECT_EQ(StringBlockEntry(block, 15), u"");
    EXPECT_EQ(StringBlockEntry(block.substr(0, 5), 1), std::nullopt);
    EXPECT_EQ(StringBlockEntry(block.substr(0, block.size() - 1), 15), std::nullopt);
    EXPECT_EQ(StringBlockEntry("\0\0\xFF\xFF"s, 1), std::nullopt);
    EXPECT_EQ(AsciiText(std::u16string(u"a\u00fc\0b", 4)), "a??b");

    // Faults: 65535.3.0.65534 read as signed or swapped halves (the release's zip then misnamed); a
    // version without its fixed part, key or signature, or cut short, taken for a version.
    const std::string version = TestVersionResource(0xFFFF'0003, 0x0000'FFFE);
    EXPECT_EQ(VersionText(FixedFileVersion(version).value_or(FileVersion{})), "65535.3.0.65534");
    std::string noFixedPart = version, otherKey = version, otherSignature = version;
    PutLe16(noFixedPart, 2, 0);
    PutLe16(otherKey, 6, 'X');
    PutLe32(otherSignature, 40, 0xFEEF04BE);
    for (const std::string& bad : {noFixedPart, otherKey, otherSignature, version.substr(0, 91), ""s})
        EXPECT_EQ(FixedFileVersion(bad), std::nullopt) << bad.size();
}
