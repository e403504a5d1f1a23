// The launcher's start-up seen from outside: the settings file it creates or keeps, the refusal of a
// second start, and the placement that survives a restart. Every start costs seconds under
// emulation, so each case starts as few launchers as it can.
#include <algorithm>
#include <fstream>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "driver/launcher_harness_win.h"
#include "shell/main_window_layout.h"
#include "tests/profile_bytes.h"

namespace {

constexpr char kSettingsName[] = "FunkelisTools.ini";
constexpr char kRefusalCaption[] = " Fehler! ";
constexpr char kLauncherAppDefaults[] = "Software\\Wine\\AppDefaults\\FunkelisTools.exe";
constexpr char kLauncherDllOverrides[] = "Software\\Wine\\AppDefaults\\FunkelisTools.exe\\DllOverrides";
constexpr char kRefusalText[] = "Fehler, das Programm kann nur 1 mal Gestartet werdern.";

// A settings file of another version.
const std::string kStaleFile = "[HmWinPos]\r\nHmWinPosX=-40.5\r\nHmWinPosY=30.5\r\n\r\n[DateVersionInIni]\r\n"
                               "Version=\"" +
                               OtherStamp(kTreeVersion) + "\"\r\nDate=\"" + kTreeDate +
                               "\"\r\n[Optionen]\r\nAllProgExit=\"0\"\r\n";

void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

std::string Settings(const LauncherRun& run) { return run.ReadFile(kSettingsName).value_or("<missing>"); }

std::string StoredValue(const LauncherRun& run, const char* key) {
    char value[64] = {};
    GetPrivateProfileStringA("HmWinPos", key, "", value, sizeof value, run.PathOf(kSettingsName).c_str());
    return value;
}

std::string TextOf(HWND window) {
    char text[512] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

std::vector<std::string> ChildTexts(HWND window) {
    std::vector<std::string> texts;
    for (HWND child = GetWindow(window, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        texts.push_back(TextOf(child));
    }
    return texts;
}

// Closes the main window the way its close box does and returns the exit code (99 on timeout).
DWORD CloseLauncher(const LauncherRun& run, HWND window) {
    PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    return run.WaitForExit().value_or(99);
}

// Expects the refusal box of a started launcher, checks it and dismisses it; then the exit code.
void ExpectRefusal(const LauncherRun& run) {
    HWND box = run.WaitForWindow(kRefusalCaption);
    ASSERT_NE(box, nullptr) << "no refusal box";
    const std::vector<std::string> texts = ChildTexts(box);
    EXPECT_NE(std::find(texts.begin(), texts.end(), kRefusalText), texts.end());
    EXPECT_EQ(GetWindow(box, GW_OWNER), nullptr);
    EXPECT_EQ(run.WaitForWindow(MainWindowTitle, 500), nullptr);
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(run.WaitForExit(), std::optional<DWORD>(0));
}

bool Near(LONG a, LONG b) { return a - b <= 2 && b - a <= 2; }

class ForeignWindow {
  public:
    explicit ForeignWindow(const char* title)
        : window_(CreateWindowExA(0, "STATIC", title, WS_OVERLAPPED, 0, 0, 50, 50, nullptr, nullptr, nullptr,
                                  nullptr)) {}
    ~ForeignWindow() { DestroyWindow(window_); }
    ForeignWindow(const ForeignWindow&) = delete;
    ForeignWindow& operator=(const ForeignWindow&) = delete;
    HWND Get() const { return window_; }

  private:
    HWND window_;
};

// Lets Wine prefer a comctl32.dll found on the search path for the launcher, as Windows does, for as
// long as it lives.
class NativeComctl32First {
  public:
    NativeComctl32First() {
        HKEY key = nullptr;
        if (RegCreateKeyExA(HKEY_CURRENT_USER, kLauncherDllOverrides, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                            &key, nullptr) != ERROR_SUCCESS)
            return;
        constexpr char kOrder[] = "native,builtin";
        set_ = RegSetValueExA(key, "comctl32", 0, REG_SZ, reinterpret_cast<const BYTE*>(kOrder),
                              sizeof kOrder) == ERROR_SUCCESS;
        RegCloseKey(key);
    }
    ~NativeComctl32First() {
        RegDeleteKeyA(HKEY_CURRENT_USER, kLauncherDllOverrides);
        RegDeleteKeyA(HKEY_CURRENT_USER, kLauncherAppDefaults);
    }
    NativeComctl32First(const NativeComctl32First&) = delete;
    NativeComctl32First& operator=(const NativeComctl32First&) = delete;
    bool Set() const { return set_; }

  private:
    bool set_ = false;
};

} // namespace

TEST(StartupE2E, FirstStartRestartAndASecondCopy) {
    RECT placed{};
    std::string closedFile;
    {
        LauncherRun first;
        ASSERT_TRUE(first.Ready() && first.Start());
        HWND window = first.WaitForAnyWindow({MainWindowTitle, kRefusalCaption});
        ASSERT_EQ(TextOf(window), MainWindowTitle);
        EXPECT_TRUE(LeftByTheProfileWriter(Settings(first), kFreshSettingsFile))
            << "the file must be ready before the window";

        // A user's move ends with WM_EXITSIZEMOVE; the minimise comes as a system command.
        SetWindowPos(window, nullptr, 203, 151, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        SendMessageA(window, WM_EXITSIZEMOVE, 0, 0);
        GetWindowRect(window, &placed);
        SendMessageA(window, WM_SYSCOMMAND, SC_MINIMIZE, 0);
        EXPECT_TRUE(WaitUntil([&] { return IsIconic(window) != FALSE; }));
        EXPECT_EQ(CloseLauncher(first, window), 0u);

        closedFile = Settings(first);
        // The keys that were missing follow the section's last entry.
        const std::string placement = "[HmWinPos]\r\nHmWinPosX=" + StoredValue(first, "HmWinPosX") +
                                      "\r\nHmWinPosY=" + StoredValue(first, "HmWinPosY") +
                                      "\r\nHmWinPosW=" + StoredValue(first, "HmWinPosW") +
                                      "\r\nHmWinPosH=" + StoredValue(first, "HmWinPosH") +
                                      "\r\nHmWinPosMinm=1\r\n";
        const size_t afterX = std::string_view("[HmWinPos]\r\nHmWinPosX=\r\n").size();
        EXPECT_TRUE(LeftByTheProfileWriter(closedFile, {placement + kFreshSettingsFile.windows.substr(afterX),
                                                        placement + kFreshSettingsFile.wine.substr(afterX)}));
        EXPECT_GT(std::stoi(StoredValue(first, "HmWinPosX")), 100);
        EXPECT_GT(std::stoi(StoredValue(first, "HmWinPosY")), 50);
    }

    LauncherRun second;
    ASSERT_TRUE(second.Ready());
    WriteBytes(second.PathOf(kSettingsName), closedFile);
    ASSERT_TRUE(second.Start());
    HWND window = second.WaitForAnyWindow({MainWindowTitle, kRefusalCaption});
    ASSERT_EQ(TextOf(window), MainWindowTitle);
    EXPECT_TRUE(WaitUntil([&] { return IsIconic(window) != FALSE; })) << "closed minimised, starts minimised";
    EXPECT_EQ(Settings(second), closedFile) << "a matching stamp leaves the file alone";
    // A second copy while one runs minimised: refused before it touches its own (stale) settings file.
    LauncherRun refused;
    ASSERT_TRUE(refused.Ready());
    WriteBytes(refused.PathOf(kSettingsName), kStaleFile);
    ASSERT_TRUE(refused.Start());
    ASSERT_EQ(TextOf(refused.WaitForAnyWindow({MainWindowTitle, kRefusalCaption})), kRefusalCaption);
    ShowWindow(window, SW_RESTORE);
    EXPECT_TRUE(WaitUntil([&] { return IsIconic(window) == FALSE; }));
    RECT restored{};
    GetWindowRect(window, &restored);
    EXPECT_TRUE(Near(restored.left, placed.left) && Near(restored.top, placed.top))
        << restored.left << "," << restored.top << " instead of " << placed.left << "," << placed.top;
    EXPECT_EQ(restored.right - restored.left, placed.right - placed.left);
    EXPECT_EQ(restored.bottom - restored.top, placed.bottom - placed.top);

    EXPECT_TRUE(second.Running());
    EXPECT_EQ(CloseLauncher(second, window), 0u);
    // Fault: the refused copy held the single-instance token while its box was open, so the next start
    // was refused too although no launcher ran any more.
    LauncherRun third;
    ASSERT_TRUE(third.Ready() && third.Start());
    ASSERT_EQ(TextOf(window = third.WaitForAnyWindow({MainWindowTitle, kRefusalCaption})), MainWindowTitle)
        << "refused although no launcher runs";
    EXPECT_EQ(CloseLauncher(third, window), 0u);
    ExpectRefusal(refused);
    EXPECT_EQ(Settings(refused), kStaleFile);
}

// Fault: the title test and the window's caption are not one step, so two copies started in the
// same instant both passed the test, both opened their windows and both wrote the settings file.
TEST(StartupE2E, OfTwoCopiesStartedTogetherOneIsRefused) {
    LauncherRun first;
    LauncherRun second;
    ASSERT_TRUE(first.Ready() && second.Ready());
    // A stale file makes the winner reset its own and wait, which widens the race.
    WriteBytes(first.PathOf(kSettingsName), kStaleFile);
    WriteBytes(second.PathOf(kSettingsName), kStaleFile);
    ASSERT_TRUE(first.Start() && second.Start());

    ASSERT_TRUE(first.WaitForAnyWindow({MainWindowTitle, kRefusalCaption}) != nullptr &&
                second.WaitForAnyWindow({MainWindowTitle, kRefusalCaption}) != nullptr);
    const bool firstRefused = first.WaitForWindow(kRefusalCaption, 0) != nullptr;
    ASSERT_TRUE(firstRefused || second.WaitForWindow(kRefusalCaption, 0) != nullptr)
        << "both copies opened their windows";
    const LauncherRun& refused = firstRefused ? first : second;
    const LauncherRun& running = firstRefused ? second : first;
    HWND window = running.WaitForWindow(MainWindowTitle, 0);
    ASSERT_NE(window, nullptr) << "both copies were refused";
    ExpectRefusal(refused);
    EXPECT_EQ(Settings(refused), kStaleFile);
    EXPECT_EQ(CloseLauncher(running, window), 0u);
}

TEST(StartupE2E, OnlyTheExactTitleInAnyCaseBlocks) {
    {
        ForeignWindow blocker(" funkelis tools");
        ASSERT_NE(blocker.Get(), nullptr);
        LauncherRun refused;
        ASSERT_TRUE(refused.Ready() && refused.Start());
        ExpectRefusal(refused);
        EXPECT_FALSE(refused.FileExists(kSettingsName));
    }

    ForeignWindow lookalike("Funkelis Tools");
    LauncherRun run;
    ASSERT_TRUE(run.Ready());
    // Another version's file, with binary bytes and lines far longer than any read buffer.
    std::string garbage = kStaleFile + "[Optionen]\r\nAllProgExit=" + std::string(100000, '1') + "\r\n";
    for (int i = 0; i < 2048; ++i) garbage.push_back(static_cast<char>(i * 59 % 256));
    WriteBytes(run.PathOf(kSettingsName), garbage);
    ASSERT_TRUE(run.Start());
    HWND window = run.WaitForWindow(MainWindowTitle);
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(LeftByTheProfileWriter(Settings(run), kFreshSettingsFile));
    EXPECT_EQ(CloseLauncher(run, window), 0u);
}

TEST(StartupE2E, ReadOnlyStaleFileIsKeptAndStillPlacesTheWindow) {
    LauncherRun run;
    ASSERT_TRUE(run.Ready());
    const std::string path = run.PathOf(kSettingsName);
    // A wider stored size resizes; the lower stored height gives way to the design's.
    const std::string stale = "[HmWinPos]\r\nHmWinPosX=-40.5\r\nHmWinPosY=30.5\r\nHmWinPosW=400\r\n"
                              "HmWinPosH=100\r\n" +
                              kStaleFile.substr(kStaleFile.find("[DateVersionInIni]"));
    WriteBytes(path, stale);
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
    ASSERT_TRUE(run.Start());
    HWND window = run.WaitForWindow(MainWindowTitle);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(Settings(run), stale) << "a read-only file is not reset";
    RECT area{};
    GetWindowRect(window, &area);
    EXPECT_LT(area.left, -40);
    EXPECT_GT(area.top, 30);
    EXPECT_GT(area.right - area.left, area.bottom - area.top);
    // Fault: a click flipped the box although the file kept "0", which decides at close.
    HWND checkBox = GetDlgItem(window, kAllExitCheckBoxId);
    Click(checkBox, 60000);
    EXPECT_EQ(SendMessageA(checkBox, BM_GETCHECK, 0, 0), BST_UNCHECKED);
    // Windows writes no read-only file, not even for an administrator: the close stores nothing.
    EXPECT_EQ(CloseLauncher(run, window), 0u);
    EXPECT_EQ(Settings(run), stale);
}

TEST(StartupE2E, APlacementStoredOffEveryScreenIsBroughtBackAndStoredOnScreen) {
    // A monitor since removed, and a size no screen holds: the caption bar and its system menu
    // would stay out of reach at every start. Fault: the size overflowed on its way to pixels.
    LauncherRun run;
    ASSERT_TRUE(run.Ready());
    WriteBytes(run.PathOf(kSettingsName),
               "[HmWinPos]\r\nHmWinPosX=-5000\r\nHmWinPosY=3000\r\nHmWinPosW=1431655766\r\n"
               "HmWinPosH=2147483647\r\n[DateVersionInIni]\r\nVersion=\"" +
                   kTreeVersion + "\"\r\nDate=\"" + kTreeDate + "\"\r\n");
    ASSERT_TRUE(run.Start());
    HWND window = run.WaitForWindow(MainWindowTitle);
    ASSERT_NE(window, nullptr);
    RECT area{};
    RECT work{};
    GetWindowRect(window, &area);
    ASSERT_TRUE(SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0));
    EXPECT_EQ(area.left, work.left);
    // Stored below the screen, it ends at the area's bottom: a height a pixel short of the area
    // (whole dialog units) leaves it that pixel below the area's top.
    EXPECT_TRUE(Near(area.top, work.top) && area.top >= work.top) << area.top;
    // The size fits the work area, to within one dialog unit.
    EXPECT_TRUE(Near(area.right, work.right) && area.right <= work.right)
        << area.right << " for " << work.right;
    EXPECT_TRUE(Near(area.bottom, work.bottom) && area.bottom <= work.bottom) << area.bottom;
    EXPECT_EQ(CloseLauncher(run, window), 0u);
    EXPECT_LE(std::stoll(StoredValue(run, "HmWinPosW")), work.right - work.left);
    EXPECT_LE(std::stoll(StoredValue(run, "HmWinPosH")), work.bottom - work.top);

    const int x = std::stoi(StoredValue(run, "HmWinPosX"));
    const int y = std::stoi(StoredValue(run, "HmWinPosY"));
    EXPECT_TRUE(x >= 0 && x < GetSystemMetrics(SM_CXSCREEN) && y >= 0 && y < GetSystemMetrics(SM_CYSCREEN))
        << x << "," << y << " is off the screen";
}

TEST(StartupE2E, AFolderNamedLikeTheSettingsFileAndAPlantedDllDoNotMatter) {
    LauncherRun run;
    ASSERT_TRUE(run.Ready());
    ASSERT_TRUE(CreateDirectoryA(run.PathOf(kSettingsName).c_str(), nullptr));
    std::string planted = "Z:" FUNKELIS_PLANTED_DLL;
    std::replace(planted.begin(), planted.end(), '/', '\\');
    ASSERT_TRUE(CopyFileA(planted.c_str(), run.PathOf("comctl32.dll").c_str(), FALSE));
    ASSERT_TRUE(CopyFileA(planted.c_str(), run.PathOf(kPlantedDllName).c_str(), FALSE));
    const NativeComctl32First override;
    ASSERT_TRUE(override.Set());
    ASSERT_TRUE(run.Start());

    HWND window = run.WaitForWindow(MainWindowTitle);
    ASSERT_NE(window, nullptr);
    // Fault: without the process-wide restriction, a library that the system loads for the launcher by
    // its bare name was found beside it (LoadSystemLibrary covers only the launcher's own loads).
    EXPECT_NE(run.ProbeWindow(window).value_or("").find("bareNameFound 0\n"), std::string::npos);
    EXPECT_EQ(CloseLauncher(run, window), 0u);
    const DWORD attributes = GetFileAttributesA(run.PathOf(kSettingsName).c_str());
    EXPECT_NE(attributes, INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(attributes & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_FALSE(run.FileExists("planted-loaded.txt")) << "the planted comctl32.dll was loaded";
}
