// The deployment's text rules: which record file names are written, and which folders and paths are
// refused before anything touches the disk; and the versions that decide whether a present tool is
// replaced.
#include <gtest/gtest.h>
#include <optional>
#include <string>

#include "payload/deploy_paths.h"
#include "payload/tool_version.h"

using namespace std::string_literals;

namespace {

TEST(DeployFileName, KeepsOnlyThePartAfterTheLastColonOrBackslash) {
    EXPECT_EQ(DeployFileName("Marvolt.exe"), "Marvolt.exe");
    EXPECT_EQ(DeployFileName("D:\\Tools\\Marvolt.exe"), "Marvolt.exe");
    EXPECT_EQ(DeployFileName("D:Marvolt.exe"), "Marvolt.exe");
    EXPECT_EQ(DeployFileName("sub/Marvolt.exe"), "sub/Marvolt.exe");
    EXPECT_EQ(DeployFileName("Marvolt.exe  \0\0"s), "Marvolt.exe");
    EXPECT_EQ(DeployFileName("Mar volt.exe\0junk"s), "Mar volt.exe");
    EXPECT_EQ(DeployFileName(" lead.exe"), " lead.exe");
    // A parent part in the cut-away part leads nowhere; refusing these names over-reached.
    EXPECT_EQ(DeployFileName("..\\Marvolt.exe"), "Marvolt.exe");
    EXPECT_EQ(DeployFileName("..\\x.exe"), "x.exe");
    EXPECT_EQ(DeployFileName("sub\\..\\..\\x.exe"), "x.exe");
    EXPECT_EQ(DeployFileName("C:..\\x.exe"), "x.exe");
}

TEST(DeployFileName, ReadsAtMost260Bytes) {
    const std::string longName = std::string(258, 'a') + ".exe";
    EXPECT_EQ(DeployFileName(longName), longName.substr(0, 260));
}

TEST(DeployFileName, BlankNamesGiveNothing) {
    for (const std::string& name : {""s, "   "s, "\0Marvolt.exe"s, "D:\\Tools\\"s, "D:"s, "x\\  \0"s}) {
        EXPECT_EQ(DeployFileName(name), "") << name;
    }
}

TEST(DeployFileName, NamesThatLeaveTheFolderOrMatchOtherEntriesGiveNothing) {
    for (const char* name : {"../x.exe", "sub/../../x.exe", "sub/..", "..", ".", "...", ". .",
                             "sub/.../x.exe", "a/.. /x.exe", "C:a/../../x.exe", "sub\\../x.exe", "x\\..",
                             "/x.exe", "//server/share/x.exe", "*.exe", "Marv?lt.exe", "x<y", "x\"y"}) {
        EXPECT_EQ(DeployFileName(name), "") << name;
    }
    EXPECT_EQ(DeployFileName("sub/./x.exe"), "sub/./x.exe");
    EXPECT_EQ(DeployFileName("x..exe"), "x..exe");
    EXPECT_EQ(DeployFileName("..x.exe"), "..x.exe");
}

TEST(DeployTargetPath, RefusesPathsOver259Characters) {
    const std::string folder = "C:\\" + std::string(250, 'f') + "\\";
    ASSERT_EQ(folder.size(), 254u);
    EXPECT_EQ(DeployTargetPath(folder, "a.exe"), folder + "a.exe");
    EXPECT_EQ(DeployTargetPath(folder, "ab.exe"), std::nullopt);
    EXPECT_EQ(DeployTargetPath("", std::string(260, 'n')), std::nullopt);
}

TEST(DeployTemporaryPath, SameFolderAndLengthAndNeverTheToolsOwnName) {
    EXPECT_EQ(DeployTemporaryPath("C:\\T\\Marvolt.exe", 1), "C:\\T\\Marvolt.e~1");
    EXPECT_EQ(DeployTemporaryPath("C:\\T\\sub/ab", 9), "C:\\T\\sub/a~9");
    EXPECT_EQ(DeployTemporaryPath("x", 2), "x~2");
    EXPECT_EQ(DeployTemporaryPath("C:\\T\\Tool.e~3", 3), "");
    EXPECT_TRUE(IsDeployTemporaryName("C:\\T\\Marvolt.exe", "Marvolt.e~9"));
    for (const char* other : {"Marvolt.ex~", "Marvolt.e~0", "Marvolt.e~10", "marvolt.e~1", "Marvolt.exe"})
        EXPECT_FALSE(IsDeployTemporaryName("C:\\T\\Marvolt.exe", other)) << other;
    EXPECT_FALSE(IsDeployTemporaryName("Tool.e~3", "Tool.e~3"));
}

TEST(FolderTexts, TrimNormaliseAndChooseTheFolder) {
    EXPECT_EQ(TrimFolderForLookup(" \0C:\\Tools\\/\\ \0"s), "C:\\Tools");
    EXPECT_EQ(TrimFolderForLookup("\\\\"), "");
    EXPECT_EQ(FolderNormalForm("C:\\Windows\\System32"), "C:\\Windows\\System32\\");
    EXPECT_EQ(FolderNormalForm("C:\\Tools/ \\"), "C:\\Tools\\");
    EXPECT_EQ(UsableFolderText("C:\\Tools\\  \0"s), "C:\\Tools\\");
    EXPECT_EQ(UsableFolderText("C:\\Tools"), "");
    EXPECT_EQ(UsableFolderText("C:\\Tools/"), "");
    EXPECT_EQ(UsableFolderText(""), "");
    // Fault: a launcher at the root of a stick or share found no entry for its folder, so deployed nothing.
    for (const char* root : {"E:", "z:", "\\\\server\\share"}) EXPECT_TRUE(IsDriveOrShareRoot(root)) << root;
    for (const char* folder : {"E:\\Tools", "E", "1:", "\\\\server", "\\\\server\\", "\\\\server\\share\\sub",
                               "\\\\?\\C:", "\\\\.\\C:", "\\\\\\share", ""})
        EXPECT_FALSE(IsDriveOrShareRoot(folder)) << folder;
}

TEST(ResourceNames, BlankTestAndCut) {
    EXPECT_TRUE(IsBlankResourceName(" \t\r\n\0 "s));
    EXPECT_TRUE(IsBlankResourceName(""));
    EXPECT_FALSE(IsBlankResourceName(" x "));
    EXPECT_FALSE(IsBlankResourceName("\v"));
    EXPECT_EQ(CutText("abc\0def"s, 259), "abc");
    EXPECT_EQ(CutText(std::string(300, 'r'), 259).size(), 259u);
}

// Fault: a present tool was replaced by an equal or older build (a downgrade), or where its version, or
// the carried one, could not be read, or where the user had protected it.
TEST(ToolUpdateRule, OnlyAStrictlyHigherCarriedVersionReplacesAPlainWritableFileWithAVersion) {
    constexpr FileVersion kPresent{0x0002'0001, 0x0000'0006}; // 2.1.0.6
    constexpr FileVersion kLater{0xFFFF'0001, 0x0002'0003};
    const PresentTool current{true, false, kPresent};
    for (const auto& [what, present, carried, replaces] :
         {std::tuple<const char*, PresentTool, std::optional<FileVersion>, bool>{
              "higher", current, FileVersion{0x0002'0001, 0x0000'0007}, true},
          {"higher major, lower rest", current, FileVersion{0x0003'0000, 0}, true},
          {"equal", current, kPresent, false},
          {"lower", current, FileVersion{0x0002'0000, 0xFFFF'FFFF}, false},
          {"none carried", current, std::nullopt, false},
          {"present without a version, or unreadable", {true, false, {}}, kLater, false},
          {"read-only", {true, true, kPresent}, kLater, false},
          {"a folder or a link", {false, false, kPresent}, kLater, false}})
        EXPECT_EQ(ReplacesPresentTool(present, carried), replaces) << what;
    // The record beside a payload: exactly 8 bytes, or none (its round trip: payload_tool_test).
    EXPECT_EQ(DecodeToolVersionRecord(""), std::nullopt);
    EXPECT_EQ(DecodeToolVersionRecord("1234567"), std::nullopt);
}

} // namespace
