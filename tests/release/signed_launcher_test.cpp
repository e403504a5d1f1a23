// The signed release copy started once under Wine (fault: a signature that changes what the launcher
// reads from its own image, or keeps it from starting): it shows its window and deploys a carried tool
// byte for byte. release_test.py signs the copy first; its path comes in FUNKELIS_E2E_LAUNCHER.
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>

#include "driver/launcher_harness_win.h"
#include "shell/main_window_layout.h"
#include "shell/tool_catalogue.h"
#include "tests/test_files.h"

namespace {

constexpr DWORD kToolTimeoutMs = 60000;

std::string ReadWhole(const std::string& path) { return ReadWholeFile(path).value_or(""); }

} // namespace

TEST(SignedLauncher, StartsShowsItsWindowAndDeploysAToolByteForByte) {
    const char* launcher = std::getenv("FUNKELIS_E2E_LAUNCHER");
    const char* packedTool = std::getenv("FUNKELIS_PACKED_TOOL");
    ASSERT_TRUE(launcher != nullptr && packedTool != nullptr) << "run through CTest";
    const std::string packed = ReadWhole(ToWindowsPath(packedTool));
    ASSERT_FALSE(packed.empty());

    LauncherRun run;
    ASSERT_TRUE(run.Ready() && run.Start()) << LauncherPath();
    HWND window = run.WaitForWindow(MainWindowTitle);
    ASSERT_NE(window, nullptr);
    const ToolEntry& row = ToolCatalogue()[0];
    const std::string toolFile(row.exeFileName);
    MakeForeground(window);
    Click(GetDlgItem(window, row.buttonId), kToolTimeoutMs);
    ASSERT_TRUE(WaitUntil([&] { return run.FileExists(toolFile); }, kToolTimeoutMs));
    EXPECT_TRUE(run.ReadFile(toolFile) == packed)
        << "the deployed " << toolFile << " differs from the packed file";

    const std::string toolTitle(row.windowTitle);
    EXPECT_TRUE(
        WaitUntil([&] { return FindWindowA(nullptr, toolTitle.c_str()) != nullptr; }, kToolTimeoutMs));

    // " All Exit " is set in a fresh settings file: closing the launcher closes the started tool too.
    PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(run.WaitForExit(), std::optional<DWORD>(0));
    EXPECT_TRUE(
        WaitUntil([&] { return FindWindowA(nullptr, toolTitle.c_str()) == nullptr; }, kToolTimeoutMs));
}
