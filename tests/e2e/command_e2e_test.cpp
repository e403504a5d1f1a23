// The launcher's controls driven from outside its process, as a user would: tool buttons that deploy
// and start or raise a tool, the " All Exit " option and the ways to close, the home-page label and
// the keyboard. Launcher starts are few (each costs seconds under emulation), so a test walks through
// a whole flow.
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <vector>

#include "base/text_ops.h"
#include "driver/launcher_harness_win.h"
#include "driver/started_process_win.h"
#include "payload/deploy_paths.h"
#include "payload/payload_format.h"
#include "payload/payload_pack.h"
#include "shell/command_table.h"
#include "shell/main_window_layout.h"
#include "shell/tool_catalogue.h"
#include "tests/profile_bytes.h"
#include "tests/test_files.h"

namespace {

constexpr DWORD kToolTimeoutMs = 60000;

std::string ReadWhole(const std::string& path) { return ReadWholeFile(path).value_or(""); }

// What the launcher carries for `tool` ("Marvolt"), decoded from the payload the build packed.
PayloadImage CarriedTool(const std::string& tool) {
    MemoryResourceStore store;
    store.Add("CARRIED_WFD_NTC", ReadWhole(ToWindowsPath(FUNKELIS_PAYLOAD_DIR) + "\\" + tool + ".bin"));
    PayloadImage image;
    ReadPayload(store, "CARRIED_WFD_NTC", image);
    return image;
}

const ToolEntry& Row(int row) { return ToolCatalogue()[row - 1]; }

struct TitleSearch {
    std::string title;
    const char* className;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectTitled(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<TitleSearch*>(context);
    char text[256] = {};
    char name[64] = {};
    GetWindowTextA(window, text, sizeof text);
    GetClassNameA(window, name, sizeof name);
    const bool classMatches = search->className == nullptr || lstrcmpA(name, search->className) == 0;
    if (IsWindowVisible(window) && search->title == text && classMatches) search->found.push_back(window);
    return TRUE;
}

// Visible top-level windows of any process with exactly this title (and class, when given).
std::vector<HWND> WindowsTitled(const std::string& title, const char* className = nullptr) {
    TitleSearch search{title, className, {}};
    EnumWindows(CollectTitled, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND WaitForToolWindow(const ToolEntry& row) {
    HWND found = nullptr;
    WaitUntil(
        [&] {
            const auto windows = WindowsTitled(std::string(row.windowTitle));
            found = windows.empty() ? nullptr : windows.front();
            return found != nullptr;
        },
        kToolTimeoutMs);
    return found;
}

void EndToolProcesses() {
    for (const ToolEntry& row : ToolCatalogue()) {
        for (HWND window : WindowsTitled(std::string(row.windowTitle))) {
            DWORD processId = 0;
            GetWindowThreadProcessId(window, &processId);
            HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, processId);
            if (process == nullptr) continue;
            TerminateProcess(process, 0);
            WaitForSingleObject(process, 10000);
            CloseHandle(process);
        }
    }
}

// A user clicks a button of the launcher's window while it is active. Activating it first also keeps
// a late focus change (a tool's window coming up) from cancelling the press between down and up.
void PressButton(HWND window, int32_t controlId) {
    MakeForeground(window);
    Click(GetDlgItem(window, controlId), kToolTimeoutMs);
}

void PostPressButton(HWND window, int32_t controlId) {
    MakeForeground(window);
    PostClick(GetDlgItem(window, controlId));
}

void DoubleClick(HWND control) {
    DWORD_PTR answer = 0;
    for (UINT message : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP}) {
        const WPARAM keys = message == WM_LBUTTONUP ? 0 : MK_LBUTTON;
        SendMessageTimeoutA(control, message, keys, CentreOf(control), SMTO_NORMAL, kToolTimeoutMs, &answer);
    }
}

// Waits until the launcher handles messages again.
bool LauncherResponds(HWND window) {
    DWORD_PTR answer = 0;
    return SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, kToolTimeoutMs, &answer) != 0;
}

// The text of a message box with this caption, which is then closed with OK; nullopt when none shows.
std::optional<std::string> TakeMessageBox(const char* caption, DWORD timeoutMs = kToolTimeoutMs) {
    HWND box = nullptr;
    WaitUntil(
        [&] {
            const auto boxes = WindowsTitled(caption, "#32770");
            box = boxes.empty() ? nullptr : boxes.front();
            return box != nullptr;
        },
        timeoutMs);
    if (box == nullptr) return std::nullopt;
    char text[512] = {};
    GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
    WaitUntil([&] { return !IsWindow(box); });
    return std::string(text);
}

std::string SettingsValue(const LauncherRun& run, const char* section, const char* key) {
    char value[260] = {};
    GetPrivateProfileStringA(section, key, "<none>", value, sizeof value,
                             run.PathOf("FunkelisTools.ini").c_str());
    return value;
}

bool IsChecked(HWND checkBox) { return SendMessageA(checkBox, BM_GETCHECK, 0, 0) == BST_CHECKED; }

uint64_t Ticks(FILETIME time) { return (uint64_t{time.dwHighDateTime} << 32) | time.dwLowDateTime; }

// A tool's window takes the activation a little after it shows; a click on the launcher in that moment
// may lose its press, so the test lets the activation arrive first.
void LetToolSettle(HWND tool) {
    WaitUntil([&] { return GetForegroundWindow() == tool; }, 3000);
    Sleep(300);
}

void PumpMessages() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
}

bool StartProgram(const std::string& path) { return StartProcess("\"" + path + "\"").Started(); }

// Takes the activation away from the launcher to a window of the test's own process.
HWND ActivateOwnWindow() {
    HWND own = CreateWindowExA(0, "STATIC", " Elsewhere", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100,
                               nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    SetForegroundWindow(own);
    WaitUntil([&] {
        PumpMessages();
        return GetForegroundWindow() == own;
    });
    return own;
}

class LauncherCommands : public ::testing::Test {
  protected:
    void TearDown() override { EndToolProcesses(); }

    HWND StartLauncher(const std::string& startFolder = {}, const std::string& seenAs = {}) {
        if (!run_.Ready() || !run_.Start(startFolder, seenAs)) return nullptr;
        HWND window = run_.WaitForWindow(MainWindowTitle);
        if (window != nullptr) thread_ = GetWindowThreadProcessId(window, nullptr);
        return window;
    }

    LauncherRun run_;
    DWORD thread_ = 0;
};

TEST_F(LauncherCommands, ToolButtonsDeployStartRaiseAndFollowTheKeyboard) {
    HWND window = StartLauncher();
    ASSERT_NE(window, nullptr);
    const PayloadImage marvolt = CarriedTool("Marvolt");
    ASSERT_FALSE(marvolt.fileBytes.empty());
    ASSERT_FALSE(run_.FileExists("Marvolt.exe"));

    PressButton(window, Row(1).buttonId);
    HWND tool = WaitForToolWindow(Row(1));
    ASSERT_NE(tool, nullptr) << "the tool's window did not show";
    LetToolSettle(tool);
    WIN32_FILE_ATTRIBUTE_DATA facts{};
    ASSERT_TRUE(GetFileAttributesExA(run_.PathOf("Marvolt.exe").c_str(), GetFileExInfoStandard, &facts));
    EXPECT_EQ(facts.dwFileAttributes, marvolt.record.dwFileAttributes);
    EXPECT_EQ(Ticks(facts.ftCreationTime), marvolt.record.ftLastWriteTime);
    EXPECT_EQ(Ticks(facts.ftLastWriteTime), marvolt.record.ftLastWriteTime);
    // The last-access time moved when the tool was started; the module tests cover it.
    EXPECT_TRUE(run_.ReadFile("Marvolt.exe") == marvolt.fileBytes);

    // A second click raises the running copy instead of starting another; minimised or maximised,
    // it comes back to its normal size.
    PressButton(window, Row(1).buttonId);
    EXPECT_EQ(WindowsTitled(std::string(Row(1).windowTitle)).size(), 1u);
    for (int showCommand : {SW_MINIMIZE, SW_MAXIMIZE}) {
        ShowWindow(tool, showCommand);
        ASSERT_TRUE(WaitUntil([&] { return IsIconic(tool) || IsZoomed(tool); }));
        PressButton(window, Row(1).buttonId);
        EXPECT_TRUE(WaitUntil([&] { return !IsIconic(tool) && !IsZoomed(tool); })) << showCommand;
    }
    EXPECT_EQ(WindowsTitled(std::string(Row(1).windowTitle)).size(), 1u);

    // Keyboard: Tab from the clicked button to row 3's, Space starts it.
    ASSERT_TRUE(MakeForeground(window));
    HWND stavnikButton = GetDlgItem(window, Row(3).buttonId);
    for (int press = 0; press < 30 && FocusOfThread(thread_) != stavnikButton; ++press) {
        PressKey(VK_TAB);
        WaitUntil([&] { return FocusOfThread(thread_) != nullptr; }, 2000);
        Sleep(100);
    }
    ASSERT_EQ(FocusOfThread(thread_), stavnikButton);
    PressKey(VK_SPACE);
    HWND stavnik = WaitForToolWindow(Row(3));
    EXPECT_NE(stavnik, nullptr);
    EXPECT_TRUE(run_.FileExists("Stavnik.exe"));
    ASSERT_TRUE(LauncherResponds(window));

    // The focus survives a visit to another window.
    HWND elsewhere = ActivateOwnWindow();
    EXPECT_EQ(GetForegroundWindow(), elsewhere);
    ASSERT_TRUE(MakeForeground(window));
    EXPECT_TRUE(WaitUntil([&] { return FocusOfThread(thread_) == stavnikButton; }, 5000));
    DestroyWindow(elsewhere);

    // Fault: a run-tool message whose id is no tool button starts, deploys or ends something.
    for (WPARAM notAButton : {WPARAM{kExitButtonId}, WPARAM(Row(4).frameId), ~WPARAM{0}}) {
        DWORD_PTR answer = 0;
        SendMessageTimeoutA(window, MSG_RUN_TOOL, notAButton, 0, SMTO_NORMAL, kToolTimeoutMs, &answer);
    }
    EXPECT_TRUE(LauncherResponds(window));
    EXPECT_FALSE(run_.FileExists("Woberin.exe"));

    // Two copies of one tool: the button raises one of them, and the sweep at close closes one.
    ASSERT_TRUE(StartProgram(run_.PathOf("Marvolt.exe")));
    ASSERT_TRUE(
        WaitUntil([] { return WindowsTitled(std::string(Row(1).windowTitle)).size() == 2; }, kToolTimeoutMs));
    const std::vector<HWND> copies = WindowsTitled(std::string(Row(1).windowTitle));
    for (HWND copy : copies) ShowWindow(copy, SW_MINIMIZE);
    ASSERT_TRUE(WaitUntil([&] { return IsIconic(copies[0]) && IsIconic(copies[1]); }));
    PressButton(window, Row(1).buttonId);
    EXPECT_TRUE(WaitUntil([&] { return IsIconic(copies[0]) != IsIconic(copies[1]); }));
    PostPressButton(window, kExitButtonId);
    EXPECT_EQ(run_.WaitForExit(), 0u);
    EXPECT_TRUE(
        WaitUntil([] { return WindowsTitled(std::string(Row(3).windowTitle)).empty(); }, kToolTimeoutMs));
    EXPECT_EQ(WindowsTitled(std::string(Row(1).windowTitle)).size(), 1u);
}

// Fault: the tool's file was created first and then filled, so a launcher killed during a large write
// left a truncated tool that the next click found present and started, on every click.
TEST_F(LauncherCommands, AKillDuringALargeDeploymentLeavesNoTruncatedToolForTheNextClick) {
    PayloadImage large = CarriedTool("Marvolt"); // with 24 MB after its image, which it still starts with
    for (size_t i = 0; i < (24u << 20); ++i) large.fileBytes.push_back(static_cast<char>(i * i % 251));
    large.record.nFileSizeLow = static_cast<DWORD>(large.fileBytes.size());
    const std::string payload = MakeCompressedPayload(large.fileBytes, large.record);
    HANDLE update = BeginUpdateResourceA(run_.PathOf("FunkelisTools.exe").c_str(), FALSE);
    ASSERT_TRUE(UpdateResourceA(update, RT_RCDATA, AsciiUpperCase(Row(1).resourceName).c_str(),
                                MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN), const_cast<char*>(payload.data()),
                                static_cast<DWORD>(payload.size())) &&
                EndUpdateResourceA(update, FALSE));
    HWND window = StartLauncher();
    ASSERT_NE(window, nullptr);
    const std::string tool = run_.PathOf("Marvolt.exe");
    FolderWatch watch(run_.Folder());
    ASSERT_TRUE(watch.Watching());
    PostPressButton(window, Row(1).buttonId);
    std::optional<std::string> first = watch.Next(kToolTimeoutMs);
    while (first && *first != "Marvolt.exe" && !IsDeployTemporaryName(tool, *first))
        first = watch.Next(kToolTimeoutMs);
    ASSERT_TRUE(run_.Kill());
    EXPECT_TRUE(first && IsDeployTemporaryName(tool, *first))
        << first.value_or("no name") << " appeared before its bytes were written";
    const std::optional<std::string> left = run_.ReadFile("Marvolt.exe");
    EXPECT_TRUE(!left || *left == large.fileBytes) << "a truncated tool of " << left->size() << " bytes";

    // The next click removes what the kill left and deploys the tool whole.
    ASSERT_TRUE(run_.Start() && (window = run_.WaitForWindow(MainWindowTitle)) != nullptr);
    PressButton(window, Row(1).buttonId);
    EXPECT_NE(WaitForToolWindow(Row(1)), nullptr);
    EXPECT_TRUE(run_.ReadFile("Marvolt.exe") == large.fileBytes);
    PostPressButton(window, kExitButtonId);
    EXPECT_EQ(run_.WaitForExit(), 0u);
}

// Fault: a tool file once written beside the launcher was never written again, so after users unzipped
// a new release over the old one every press started the old tool. With updates on, a newer carried
// tool replaces a file that does not run; a running one and an older launcher leave it alone.
TEST_F(LauncherCommands, ANewReleaseReplacesAToolThatDoesNotRunAndNeverWithAnOlderOne) {
    const std::string launcher = run_.PathOf("FunkelisTools.exe");
    const std::string stavnik = CarriedTool("Stavnik").fileBytes;
    const std::string newerStavnik = ReadWhole(ToWindowsPath(FUNKELIS_NEWER_STAVNIK));
    ASSERT_TRUE(!stavnik.empty() && !newerStavnik.empty() && stavnik != newerStavnik);
    const auto exitLauncher = [&](HWND window) {
        EndToolProcesses();
        PostPressButton(window, kExitButtonId);
        return run_.WaitForExit() == 0u;
    };
    // The release in use: it deploys its Stavnik.
    ASSERT_TRUE(CopyFileA(ToWindowsPath(FUNKELIS_UPDATING_LAUNCHER).c_str(), launcher.c_str(), FALSE));
    HWND window = StartLauncher();
    ASSERT_NE(window, nullptr);
    PressButton(window, Row(3).buttonId);
    ASSERT_NE(WaitForToolWindow(Row(3)), nullptr);
    EXPECT_TRUE(run_.ReadFile("Stavnik.exe") == stavnik);
    ASSERT_TRUE(exitLauncher(window));

    // The new release unzipped over it. While the old tool runs, a press raises it and leaves its file.
    ASSERT_TRUE(CopyFileA(ToWindowsPath(FUNKELIS_NEWER_LAUNCHER).c_str(), launcher.c_str(), FALSE));
    ASSERT_TRUE(StartProgram(run_.PathOf("Stavnik.exe")));
    HWND running = WaitForToolWindow(Row(3));
    ASSERT_NE(running, nullptr);
    ASSERT_NE(window = StartLauncher(), nullptr);
    ShowWindow(running, SW_MINIMIZE);
    ASSERT_TRUE(WaitUntil([&] { return IsIconic(running) != FALSE; }));
    PressButton(window, Row(3).buttonId);
    EXPECT_TRUE(WaitUntil([&] { return !IsIconic(running); })) << "the running tool was not raised";
    EXPECT_EQ(WindowsTitled(std::string(Row(3).windowTitle)).size(), 1u);
    EXPECT_TRUE(run_.ReadFile("Stavnik.exe") == stavnik) << "the file of a running tool was replaced";
    // Once it has ended, the press replaces the file and starts the new tool.
    EndToolProcesses();
    PressButton(window, Row(3).buttonId);
    EXPECT_NE(WaitForToolWindow(Row(3)), nullptr);
    EXPECT_TRUE(run_.ReadFile("Stavnik.exe") == newerStavnik) << "the old tool was started again";
    EXPECT_FALSE(run_.FileExists(DeployTemporaryPath("Stavnik.exe", 1)));
    ASSERT_TRUE(exitLauncher(window));

    // The old release again: it never downgrades.
    ASSERT_TRUE(CopyFileA(ToWindowsPath(FUNKELIS_UPDATING_LAUNCHER).c_str(), launcher.c_str(), FALSE));
    ASSERT_NE(window = StartLauncher(), nullptr);
    PressButton(window, Row(3).buttonId);
    EXPECT_NE(WaitForToolWindow(Row(3)), nullptr);
    EXPECT_TRUE(run_.ReadFile("Stavnik.exe") == newerStavnik) << "replaced by the older tool";
    EXPECT_TRUE(exitLauncher(window));
}

TEST_F(LauncherCommands, AllExitDecidesWhetherClosingTheLauncherClosesTheTools) {
    HWND window = StartLauncher();
    ASSERT_NE(window, nullptr);
    HWND checkBox = GetDlgItem(window, kAllExitCheckBoxId);
    // A new settings file holds the option set.
    EXPECT_TRUE(IsChecked(checkBox));
    EXPECT_EQ(SettingsValue(run_, "Optionen", "AllProgExit"), "1");

    PressButton(window, Row(1).buttonId);
    HWND marvolt = WaitForToolWindow(Row(1));
    ASSERT_NE(marvolt, nullptr);
    LetToolSettle(marvolt);
    PressButton(window, Row(2).buttonId);
    ASSERT_NE(WaitForToolWindow(Row(2)), nullptr)
        << "Cindrel.exe written: " << run_.FileExists("Cindrel.exe");
    LetToolSettle(WaitForToolWindow(Row(2)));

    // The file holds what the box shows after every click.
    PressButton(window, kAllExitCheckBoxId);
    EXPECT_FALSE(IsChecked(checkBox));
    EXPECT_EQ(SettingsValue(run_, "Optionen", "AllProgExit"), "0");
    PressButton(window, kAllExitCheckBoxId);
    EXPECT_TRUE(IsChecked(checkBox));
    EXPECT_EQ(SettingsValue(run_, "Optionen", "AllProgExit"), "1");
    PressButton(window, kAllExitCheckBoxId);
    EXPECT_EQ(SettingsValue(run_, "Optionen", "AllProgExit"), "0");

    // Another program's WM_CLOSE writes the placement and leaves launcher and tools running (option 0).
    WritePrivateProfileStringA("HmWinPos", nullptr, nullptr, run_.PathOf("FunkelisTools.ini").c_str());
    ASSERT_EQ(SettingsValue(run_, "HmWinPos", "HmWinPosX"), "<none>");
    DWORD_PTR answer = 0;
    SendMessageTimeoutA(window, WM_CLOSE, 0, 0, SMTO_NORMAL, kToolTimeoutMs, &answer);
    EXPECT_NE(SettingsValue(run_, "HmWinPos", "HmWinPosX"), "<none>");
    EXPECT_NE(SettingsValue(run_, "HmWinPos", "HmWinPosMinm"), "<none>");
    EXPECT_TRUE(run_.Running());
    EXPECT_TRUE(IsWindow(window));
    Sleep(1000);
    EXPECT_EQ(WindowsTitled(std::string(Row(1).windowTitle)).size(), 1u);

    // Fault: the close decided on the option text as it was before its read there. The box stores
    // "1", the file then says "10": ten is not one, so the tools stay.
    PressButton(window, kAllExitCheckBoxId);
    EXPECT_EQ(SettingsValue(run_, "Optionen", "AllProgExit"), "1");
    WritePrivateProfileStringA("Optionen", "AllProgExit", "\"10\"", run_.PathOf("FunkelisTools.ini").c_str());
    SendMessageTimeoutA(window, WM_CLOSE, 0, 0, SMTO_NORMAL, kToolTimeoutMs, &answer);
    Sleep(1000);
    EXPECT_EQ(WindowsTitled(std::string(Row(1).windowTitle)).size(), 1u);
    EXPECT_EQ(WindowsTitled(std::string(Row(2).windowTitle)).size(), 1u);

    // The settings file is deleted while the launcher runs, with the option at 0: the placement
    // written at close creates the file again without the option, which then reads as 1, so the
    // tools are closed. Wine's profile functions remember the deleted file and write all of it back,
    // option included; then the option still reads as 0 and the tools stay.
    PressButton(window, kAllExitCheckBoxId);
    EXPECT_EQ(SettingsValue(run_, "Optionen", "AllProgExit"), "0");
    ASSERT_TRUE(DeleteFileA(run_.PathOf("FunkelisTools.ini").c_str()));
    SendMessageTimeoutA(window, WM_CLOSE, 0, 0, SMTO_NORMAL, kToolTimeoutMs, &answer);
    EXPECT_NE(SettingsValue(run_, "HmWinPos", "HmWinPosX"), "<none>");
    const bool optionWrittenBack = SettingsValue(run_, "Optionen", "AllProgExit") == "0" && RunsUnderWine();
    if (!optionWrittenBack) {
        EXPECT_EQ(SettingsValue(run_, "Optionen", "AllProgExit"), "<none>");
        EXPECT_TRUE(
            WaitUntil([] { return WindowsTitled(std::string(Row(1).windowTitle)).empty(); }, kToolTimeoutMs));
    } else {
        Sleep(1000);
        EXPECT_EQ(WindowsTitled(std::string(Row(1).windowTitle)).size(), 1u);
    }

    // With the option set, EXIT ends the launcher and closes both tools.
    PressButton(window, kAllExitCheckBoxId);
    EXPECT_EQ(SettingsValue(run_, "Optionen", "AllProgExit"), "1");
    PostPressButton(window, kExitButtonId);
    EXPECT_EQ(run_.WaitForExit(), 0u);
    EXPECT_TRUE(
        WaitUntil([] { return WindowsTitled(std::string(Row(1).windowTitle)).empty(); }, kToolTimeoutMs));
    EXPECT_TRUE(
        WaitUntil([] { return WindowsTitled(std::string(Row(2).windowTitle)).empty(); }, kToolTimeoutMs));
}

// The browser is replaced by url_recorder for the test's duration. Wine reads link handlers from the
// machine's classes only, so that key is changed and put back afterwards.
class UrlHandler {
  public:
    UrlHandler() {
        std::string command = "\"";
        command.append(ToWindowsPath(FUNKELIS_URL_RECORDER)).append("\" \"%1\"");
        if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr,
                            &key_, nullptr) != ERROR_SUCCESS) {
            key_ = nullptr;
            return;
        }
        char old[1024] = {};
        DWORD size = sizeof old - 1;
        hadOld_ = RegQueryValueExA(key_, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(old), &size) ==
                  ERROR_SUCCESS;
        old_ = old;
        Set(command);
        DeleteFileA(LogPath().c_str());
    }
    ~UrlHandler() {
        if (key_ == nullptr) return;
        if (hadOld_) {
            Set(old_);
        } else {
            RegDeleteValueA(key_, nullptr);
        }
        RegCloseKey(key_);
        DeleteFileA(LogPath().c_str());
    }
    UrlHandler(const UrlHandler&) = delete;
    UrlHandler& operator=(const UrlHandler&) = delete;

    static std::string LogPath() {
        std::string path = ToWindowsPath(FUNKELIS_URL_RECORDER);
        return path.substr(0, path.size() - 3) + "log";
    }

  private:
    void Set(const std::string& value) {
        RegSetValueExA(key_, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>(value.size() + 1));
    }
    static constexpr const char* kKey = "Software\\Classes\\https\\shell\\open\\command";
    HKEY key_ = nullptr;
    bool hadOld_ = false;
    std::string old_;
};

// The kit's path on Windows: payload-tool.exe gives the launcher other facts.
constexpr char kBrandedHomePage[] = "https://example.org/tools?lang=de&v=2";

bool Brand(const std::string& launcher) {
    const std::string quoted = "\"" + launcher + "\"";
    return StartProcess("\"" + ToWindowsPath(FUNKELIS_PAYLOAD_TOOL_EXE) + "\" set " + quoted +
                        " version=3.0.7.1 \"home-page=" + kBrandedHomePage + "\" date=01022027 -o " + quoted)
               .WaitForExit(kToolTimeoutMs) == std::optional<DWORD>(0);
}

// Faults: a launcher branded after the build that stamps, shows or opens the facts it was built with
// (its settings file would be reset, its option lost).
TEST_F(LauncherCommands, HomePageFaultsAndAnOptionOfTenUnderOneStart) {
    const UrlHandler handler;
    ASSERT_TRUE(Brand(run_.PathOf("FunkelisTools.exe")));
    // A settings file with the branded launcher's stamp and the option text "10".
    const std::string ini = run_.PathOf("FunkelisTools.ini");
    WritePrivateProfileStringA("DateVersionInIni", "Version", "\"3.0.7.1\"", ini.c_str());
    WritePrivateProfileStringA("DateVersionInIni", "Date", "\"01022027\"", ini.c_str());
    WritePrivateProfileStringA("Optionen", "AllProgExit", "\"10\"", ini.c_str());
    // Row 2's file is a folder; row 4's file is present and read-only, but holds another tool, whose
    // window never carries the title the launcher waits for.
    ASSERT_TRUE(CreateDirectoryA(run_.PathOf("Cindrel.exe").c_str(), nullptr));
    const std::string otherTool = CarriedTool("Marvolt").fileBytes;
    ASSERT_FALSE(otherTool.empty());
    { std::ofstream(run_.PathOf("Woberin.exe"), std::ios::binary) << otherTool; }
    SetFileAttributesA(run_.PathOf("Woberin.exe").c_str(), FILE_ATTRIBUTE_READONLY);

    // Row 5's file is a tool whose window comes up minimised; row 3's tells where it was started.
    ASSERT_TRUE(
        CopyFileA(ToWindowsPath(FUNKELIS_MINIMISED_TOOL).c_str(), run_.PathOf("Pellory.exe").c_str(), FALSE));
    { std::ofstream(run_.PathOf("Pellory.title"), std::ios::binary) << Row(5).windowTitle; }
    ASSERT_TRUE(
        CopyFileA(ToWindowsPath(FUNKELIS_URL_RECORDER).c_str(), run_.PathOf("Stavnik.exe").c_str(), FALSE));

    // The launcher at the root of a drive (a stick), started from the Windows folder.
    const MappedDrive stick(run_.Folder());
    ASSERT_FALSE(stick.Root().empty());
    HWND window = StartLauncher("C:\\windows", stick.Root());
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(SettingsValue(run_, "Optionen", "AllProgExit"), "10");

    // A single click on the home page opens nothing, a double-click opens it once.
    HWND homePage = GetDlgItem(window, kHomePageLabelId);
    char shown[256] = {};
    GetWindowTextA(homePage, shown, sizeof shown);
    EXPECT_STREQ(shown, kBrandedHomePage);
    Click(homePage, kToolTimeoutMs);
    Sleep(3000);
    EXPECT_EQ(ReadWhole(UrlHandler::LogPath()), "");
    DoubleClick(homePage);
    ASSERT_TRUE(WaitUntil([] { return !ReadWhole(UrlHandler::LogPath()).empty(); }, kToolTimeoutMs));
    Sleep(3000);
    EXPECT_EQ(ReadWhole(UrlHandler::LogPath()), std::string(kBrandedHomePage) + "\r\n");
    EXPECT_EQ(FocusOfThread(thread_), GetDlgItem(window, kExitButtonId));

    // A folder in the tool's place: deployment finds an entry, the tool test does not: " Sorry" only.
    PostPressButton(window, Row(2).buttonId);
    EXPECT_EQ(TakeMessageBox(" Sorry"), std::string(Row(2).missingMessage));
    EXPECT_TRUE(WindowsTitled(" Fehler!", "#32770").empty());
    ASSERT_TRUE(LauncherResponds(window));

    // A present file is never replaced. Its window never shows under the row's title: nobody is told,
    // and the launcher answers again after its wait.
    PressButton(window, Row(4).buttonId);
    EXPECT_TRUE(run_.ReadFile("Woberin.exe") == otherTool);
    HWND otherWindow = WaitForToolWindow(Row(1));
    EXPECT_NE(otherWindow, nullptr);
    LetToolSettle(otherWindow);
    EXPECT_TRUE(WindowsTitled(std::string(Row(4).windowTitle)).empty());
    EXPECT_TRUE(WindowsTitled(" Sorry", "#32770").empty());
    EXPECT_TRUE(WindowsTitled(" Fehler!", "#32770").empty());
    EXPECT_TRUE(LauncherResponds(window));

    // A tool whose window comes up minimised is restored. Then "10" is not 1: the close box ends the
    // launcher and leaves the tool running.
    PressButton(window, Row(5).buttonId);
    HWND pellory = WaitForToolWindow(Row(5));
    ASSERT_NE(pellory, nullptr);
    EXPECT_TRUE(WaitUntil([&] { return !IsIconic(pellory); })) << "the restore does not wait for the tool";
    LetToolSettle(pellory);
    // Fault: a root failed the folder test (a lookup finds no entry for it), so no tool was deployed.
    PostPressButton(window, Row(1).buttonId);
    EXPECT_TRUE(WaitUntil([&] { return run_.FileExists("Marvolt.exe"); }, kToolTimeoutMs))
        << TakeMessageBox(" Sorry", 0).value_or("");
    // Fault: a tool started in the launcher's current folder instead of the program folder.
    PressButton(window, Row(3).buttonId);
    EXPECT_TRUE(WaitUntil([&] { return run_.FileExists("Stavnik.folder"); }, kToolTimeoutMs));
    EXPECT_EQ(run_.ReadFile("Stavnik.folder"), stick.Root());
    PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(run_.WaitForExit(), 0u);
    Sleep(2000);
    EXPECT_EQ(WindowsTitled(std::string(Row(5).windowTitle)).size(), 1u);
    SetFileAttributesA(run_.PathOf("Woberin.exe").c_str(), FILE_ATTRIBUTE_NORMAL);
}

// The program folder has room for the launcher but not for a tool: the short write is undone, the
// user sees the failure message and then the row's " Sorry", and no truncated tool is left to start.
TEST(LauncherOnAFullDisk, ShowsBothMessagesAndLeavesNoTruncatedTool) {
    const char* disk = std::getenv("FUNKELIS_E2E_FULL_DISK");
    if (disk == nullptr || GetFileAttributesA(disk) == INVALID_FILE_ATTRIBUTES) {
        GTEST_SKIP() << "no small file system mounted";
    }
    LauncherRun run(std::string(disk) + "\\");
    ASSERT_TRUE(run.Ready());
    ASSERT_TRUE(run.Start());
    HWND window = run.WaitForWindow(MainWindowTitle);
    ASSERT_NE(window, nullptr);

    PostPressButton(window, Row(1).buttonId);
    EXPECT_EQ(TakeMessageBox(" Fehler!"), std::string("Fehler! --> Datei konnte nicht erstellt werden, \r\n"
                                                      "wahrscheinlich fehlende Administrator rechte."));
    EXPECT_EQ(TakeMessageBox(" Sorry"), std::string(Row(1).missingMessage));
    EXPECT_FALSE(run.FileExists("Marvolt.exe"));
    EXPECT_TRUE(WindowsTitled(std::string(Row(1).windowTitle)).empty());
    ASSERT_TRUE(LauncherResponds(window));
    PostPressButton(window, kExitButtonId);
    EXPECT_EQ(run.WaitForExit(), 0u);
}

} // namespace
