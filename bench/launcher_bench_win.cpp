// Figures for the launcher under Wine (not a test): process start to the visible main window, beside
// a minimal dialog program built the same way and started in turn with it; the launcher's first start
// (no settings file yet) and its repeated start (the file written by the first) apart; a tool button's
// click to the tool's visible window, for a missing tool (deploy, then start) and for a present one
// (start only). Medians of the rounds, since one Wine process start varies by seconds under emulation.
//
//   launcher_bench.exe [ROUNDS]   (default 3)
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/bench_clock_win.h"
#include "driver/launcher_harness_win.h"
#include "driver/started_process_win.h"
#include "shell/main_window_layout.h"
#include "shell/tool_catalogue.h"

namespace {

constexpr int kDefaultRounds = 3;
constexpr DWORD kTimeoutMs = 120000;

HWND VisibleWindowTitled(const std::string& title) {
    HWND window = FindWindowA(nullptr, title.c_str());
    return window != nullptr && IsWindowVisible(window) ? window : nullptr;
}

// Polls finely: the figures are a few hundred milliseconds and more.
HWND AwaitVisible(const std::string& title) {
    const double end = NowMs() + kTimeoutMs;
    while (NowMs() < end) {
        if (HWND window = VisibleWindowTitled(title)) return window;
        Sleep(5);
    }
    return nullptr;
}

bool AwaitGone(const std::string& title) {
    const double end = NowMs() + kTimeoutMs;
    while (NowMs() < end) {
        if (FindWindowA(nullptr, title.c_str()) == nullptr) return true;
        Sleep(20);
    }
    return false;
}

double BaselineStartMs() {
    const double start = NowMs();
    const StartedProcess process = StartProcess("\"" + ToWindowsPath(FUNKELIS_BASELINE_DIALOG) + "\"");
    if (!process.Started()) return -1;
    HWND window = AwaitVisible(" Baseline Dialog");
    const double shown = NowMs();
    if (window != nullptr) PostMessageA(window, WM_CLOSE, 0, 0);
    process.WaitForExit(kTimeoutMs);
    return window != nullptr ? shown - start : -1;
}

// Starts the launcher in the run's folder; the time to its visible window, or -1.
double LauncherStartMs(LauncherRun& run, HWND& window) {
    const double start = NowMs();
    if (!run.Start()) return -1;
    window = AwaitVisible(MainWindowTitle);
    return window != nullptr ? NowMs() - start : -1;
}

bool CloseLauncher(LauncherRun& run, HWND window) {
    PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    return run.WaitForExit(kTimeoutMs).has_value();
}

struct ClickFigures {
    double missingToolMs = -1, presentToolMs = -1;
};

ClickFigures MeasureClicks(HWND window) {
    ClickFigures figures;
    const ToolEntry& tool = ToolCatalogue()[0];
    const std::string title(tool.windowTitle);
    HWND button = GetDlgItem(window, tool.buttonId);
    double clicked = NowMs();
    PostClick(button);
    HWND toolWindow = AwaitVisible(title);
    if (toolWindow == nullptr) return figures;
    figures.missingToolMs = NowMs() - clicked;

    PostMessageA(toolWindow, WM_SYSCOMMAND, SC_CLOSE, 0);
    if (!AwaitGone(title)) return figures;
    // The launcher is still inside its wait for the first click's window only when that took < 2.5 s.
    DWORD_PTR answer = 0;
    SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, kTimeoutMs, &answer);
    clicked = NowMs();
    PostClick(button);
    toolWindow = AwaitVisible(title);
    if (toolWindow == nullptr) return figures;
    figures.presentToolMs = NowMs() - clicked;

    PostMessageA(toolWindow, WM_SYSCOMMAND, SC_CLOSE, 0);
    AwaitGone(title);
    return figures;
}

struct Series {
    std::vector<double> values;
    void Add(double ms) {
        if (ms > 0) values.push_back(ms);
    }
    double Median() const { return SpreadOf(values).median; }
};

// A launcher start and the baseline's start just before it.
struct StartPairs {
    Series launcher, baseline;
    std::vector<double> ratios;
    void Add(double baselineMs, double launcherMs) {
        launcher.Add(launcherMs);
        baseline.Add(baselineMs);
        if (baselineMs > 0 && launcherMs > 0) ratios.push_back(launcherMs / baselineMs);
    }
};

// The median of the rounds' ratios as well: the machine's load drifts, and each ratio compares two
// starts made moments apart.
void PrintStart(const char* what, const StartPairs& pairs) {
    const Spread spread = SpreadOf(pairs.launcher.values);
    const double base = pairs.baseline.Median();
    std::printf("median: launcher %s %.0f ms (%.0f-%.0f), %.2f x the baseline's %.0f ms; median ratio of the "
                "rounds %.2f\n",
                what, spread.median, spread.min, spread.max, base > 0 ? spread.median / base : 0.0, base,
                SpreadOf(pairs.ratios).median);
}

} // namespace

// Each round: baseline, the launcher's first start in a fresh folder (with the clicks), baseline again,
// the launcher's repeated start in the same folder; so each launcher start has a baseline beside it.
int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : kDefaultRounds;
    StartPairs first, repeated;
    Series missing, present;
    for (int round = 1; round <= rounds; ++round) {
        LauncherRun run;
        HWND window = nullptr;
        const double baseFirstMs = BaselineStartMs();
        const double firstMs = LauncherStartMs(run, window);
        const ClickFigures clicks = window != nullptr ? MeasureClicks(window) : ClickFigures{};
        if (window != nullptr) CloseLauncher(run, window);
        const double baseRepeatedMs = BaselineStartMs();
        const double repeatedMs = LauncherStartMs(run, window);
        if (window != nullptr) CloseLauncher(run, window);
        std::printf(
            "round %d: baseline %.0f ms, first start %.0f ms; baseline %.0f ms, repeated start %.0f ms; "
            "click to tool window: missing %.0f ms, present %.0f ms\n",
            round, baseFirstMs, firstMs, baseRepeatedMs, repeatedMs, clicks.missingToolMs,
            clicks.presentToolMs);
        std::fflush(stdout);
        first.Add(baseFirstMs, firstMs);
        repeated.Add(baseRepeatedMs, repeatedMs);
        missing.Add(clicks.missingToolMs);
        present.Add(clicks.presentToolMs);
    }
    PrintStart("first start (no settings file)", first);
    PrintStart("repeated start", repeated);
    const double presentMedian = present.Median();
    std::printf("median: click to window, missing tool (deploy + start) %.0f ms\n", missing.Median());
    std::printf("median: click to window, present tool (start) %.0f ms (deploy adds %.2f x)\n", presentMedian,
                presentMedian > 0 ? missing.Median() / presentMedian : 0.0);
    return first.ratios.empty() || repeated.ratios.empty() ? 1 : 0;
}
