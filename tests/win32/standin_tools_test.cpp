// Starts the five stand-in tools once (in parallel: every process start is slow under Wine here) and
// checks what the launcher relies on: a top-level, visible window with exactly the catalogue title,
// the tool's texts, and a clean exit with code 0 on the close command. Also covers the two test
// switches, /minimized and /nowindow.
#include <windows.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <vector>

#include "driver/started_process_win.h"
#include "shell/tool_catalogue.h"

namespace {

constexpr DWORD kWindowWaitMs = 180'000;
constexpr DWORD kExitWaitMs = 60'000;
constexpr int kMinimizedRow = 3;
constexpr int kWmCloseRow = 5;
constexpr int kNoWindowRow = 4;

struct StartedTool {
    const ToolEntry* tool = nullptr;
    StartedProcess process;
    HWND window = nullptr;
};

std::string StandInPath(const ToolEntry& tool) {
    const char* folder = std::getenv("FUNKELIS_STANDIN_DIR");
    std::string path = folder != nullptr ? folder : ".";
    path += "\\";
    path += tool.exeFileName;
    return path;
}

StartedProcess Start(const ToolEntry& tool, const char* switches) {
    // Appended piece by piece: GCC 12 warns falsely (-Wrestrict) on a literal + std::string at -O3.
    std::string commandLine = "\"";
    commandLine += StandInPath(tool);
    commandLine += "\" ";
    commandLine += switches;
    StartedProcess process = StartProcess(commandLine);
    if (!process.Started())
        ADD_FAILURE() << "cannot start " << commandLine << " (error " << process.LastError() << ")";
    return process;
}

std::string WindowText(HWND window) {
    char text[512] = {};
    const int length = GetWindowTextA(window, text, sizeof text);
    return std::string(text, length > 0 ? static_cast<size_t>(length) : 0);
}

struct WindowSearch {
    DWORD processId;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectWindowOfProcess(HWND window, LPARAM lParam) {
    auto* search = reinterpret_cast<WindowSearch*>(lParam);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == search->processId) search->found.push_back(window);
    return TRUE;
}

std::vector<HWND> TopLevelWindowsOf(DWORD processId) {
    WindowSearch search{processId, {}};
    EnumWindows(CollectWindowOfProcess, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

BOOL CALLBACK CollectChildText(HWND child, LPARAM lParam) {
    reinterpret_cast<std::vector<std::string>*>(lParam)->push_back(WindowText(child));
    return TRUE;
}

std::vector<std::string> ChildTexts(HWND window) {
    std::vector<std::string> texts;
    EnumChildWindows(window, CollectChildText, reinterpret_cast<LPARAM>(&texts));
    return texts;
}

// The launcher's own search: FindWindowA by title, any class; only a window of our process counts.
HWND WaitForToolWindow(const StartedTool& started, DWORD deadline) {
    const std::string title(started.tool->windowTitle);
    while (GetTickCount() < deadline) {
        HWND window = FindWindowA(nullptr, title.c_str());
        DWORD owner = 0;
        if (window != nullptr) GetWindowThreadProcessId(window, &owner);
        if (owner == started.process.Id()) return window;
        if (!started.process.Running()) return nullptr;
        Sleep(200);
    }
    return nullptr;
}

class StandInTools : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        const auto catalogue = ToolCatalogue();
        for (int row = 1; row <= kToolCount; ++row) {
            const ToolEntry& tool = catalogue[row - 1];
            tools_[row - 1] = {&tool, Start(tool, row == kMinimizedRow ? "/minimized" : ""), nullptr};
        }
        noWindow_ = {&catalogue[kNoWindowRow - 1], Start(catalogue[kNoWindowRow - 1], "/nowindow"), nullptr};
        const DWORD deadline = GetTickCount() + kWindowWaitMs;
        for (StartedTool& started : tools_) {
            if (started.process.Started()) started.window = WaitForToolWindow(started, deadline);
        }
    }

    static void TearDownTestSuite() {
        for (StartedTool* started : AllStarted()) started->process.EndIfRunning(0);
    }

    static std::vector<StartedTool*> AllStarted() {
        std::vector<StartedTool*> all;
        for (StartedTool& started : tools_) all.push_back(&started);
        all.push_back(&noWindow_);
        return all;
    }

    static inline std::array<StartedTool, kToolCount> tools_{};
    static inline StartedTool noWindow_{};
};

TEST_F(StandInTools, EachShowsATopLevelWindowWithExactlyTheCatalogueTitle) {
    for (const StartedTool& started : tools_) {
        SCOPED_TRACE(std::string(started.tool->exeFileName));
        ASSERT_NE(started.window, nullptr) << "no window titled '" << started.tool->windowTitle << "'";
        EXPECT_EQ(WindowText(started.window), started.tool->windowTitle);
        EXPECT_EQ(GetAncestor(started.window, GA_PARENT), GetDesktopWindow());
        EXPECT_EQ(GetWindow(started.window, GW_OWNER), nullptr);
        EXPECT_TRUE(IsWindowVisible(started.window));
    }
}

TEST_F(StandInTools, EachShowsItsCaptionVersionAndThatItIsAStandIn) {
    for (const StartedTool& started : tools_) {
        SCOPED_TRACE(std::string(started.tool->exeFileName));
        ASSERT_NE(started.window, nullptr);
        const std::vector<std::string> texts = ChildTexts(started.window);
        EXPECT_NE(std::find(texts.begin(), texts.end(), started.tool->captionText), texts.end());
        EXPECT_NE(std::find(texts.begin(), texts.end(), started.tool->versionText), texts.end());
        const bool saysStandIn = std::any_of(texts.begin(), texts.end(), [&](const std::string& text) {
            return text.find("Stand-in") != std::string::npos &&
                   text.find(started.tool->exeFileName) != std::string::npos;
        });
        EXPECT_TRUE(saysStandIn);
    }
}

TEST_F(StandInTools, MinimizedSwitchBringsTheWindowUpMinimisedOthersNormal) {
    for (int row = 1; row <= kToolCount; ++row) {
        const StartedTool& started = tools_[row - 1];
        ASSERT_NE(started.window, nullptr);
        EXPECT_EQ(IsIconic(started.window) != FALSE, row == kMinimizedRow) << started.tool->exeFileName;
    }
}

TEST_F(StandInTools, NoWindowSwitchKeepsRunningWithoutAnyWindow) {
    ASSERT_TRUE(noWindow_.process.Started());
    EXPECT_TRUE(noWindow_.process.Running());
    EXPECT_TRUE(TopLevelWindowsOf(noWindow_.process.Id()).empty());
}

// The launcher's close-all sweep posts SC_CLOSE; a plain WM_CLOSE must work as well.
TEST_F(StandInTools, CloseCommandEndsEachToolWithExitCodeZero) {
    for (int row = 1; row <= kToolCount; ++row) {
        const StartedTool& started = tools_[row - 1];
        ASSERT_NE(started.window, nullptr);
        if (row == kWmCloseRow) {
            PostMessageA(started.window, WM_CLOSE, 0, 0);
        } else {
            PostMessageA(started.window, WM_SYSCOMMAND, SC_CLOSE, 0);
        }
    }
    for (const StartedTool& started : tools_) {
        SCOPED_TRACE(std::string(started.tool->exeFileName));
        EXPECT_EQ(started.process.WaitForExit(kExitWaitMs), std::optional<DWORD>(0));
    }
}

} // namespace
