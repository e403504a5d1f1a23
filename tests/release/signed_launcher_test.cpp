// The signed release copy, branded with other facts and repacked with new tools for rows 1 and 4 (by
// payload-tool and by payload-tool.exe under Wine, which agree) and signed again, started once under
// Wine. Faults: a signature or a repacking that changes what the launcher reads from its own image, or
// keeps it from starting; the old tool deployed instead of the new one. It shows its window and deploys
// both new tools byte for byte. release_test.py makes the copy; its path comes in FUNKELIS_E2E_LAUNCHER,
// the new tools' folder in FUNKELIS_NEW_TOOLS.
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

TEST(SignedLauncher, StartsShowsItsWindowAndDeploysTheNewToolsByteForByte) {
    const char* launcher = std::getenv("FUNKELIS_E2E_LAUNCHER");
    const char* newTools = std::getenv("FUNKELIS_NEW_TOOLS");
    ASSERT_TRUE(launcher != nullptr && newTools != nullptr) << "run through CTest";

    LauncherRun run;
    ASSERT_TRUE(run.Ready() && run.Start()) << LauncherPath();
    HWND window = run.WaitForWindow(MainWindowTitle);
    ASSERT_NE(window, nullptr);
    for (const ToolEntry& row : {ToolCatalogue()[3], ToolCatalogue()[0]}) {
        const std::string toolFile(row.exeFileName);
        const std::string packed = ReadWhole(ToWindowsPath(std::string(newTools) + "/" + toolFile));
        ASSERT_FALSE(packed.empty()) << toolFile;
        MakeForeground(window);
        Click(GetDlgItem(window, row.buttonId), kToolTimeoutMs);
        ASSERT_TRUE(WaitUntil([&] { return run.FileExists(toolFile); }, kToolTimeoutMs));
        EXPECT_TRUE(run.ReadFile(toolFile) == packed)
            << "the deployed " << toolFile << " is not the new tool";
    }
    const ToolEntry& row = ToolCatalogue()[0];

    const std::string toolTitle(row.windowTitle);
    EXPECT_TRUE(
        WaitUntil([&] { return FindWindowA(nullptr, toolTitle.c_str()) != nullptr; }, kToolTimeoutMs));

    // " All Exit " is set in a fresh settings file: closing the launcher closes the started tool too.
    PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(run.WaitForExit(), std::optional<DWORD>(0));
    EXPECT_TRUE(
        WaitUntil([&] { return FindWindowA(nullptr, toolTitle.c_str()) == nullptr; }, kToolTimeoutMs));
}
