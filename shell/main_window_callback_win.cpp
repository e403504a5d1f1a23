#include "shell/main_window_callback_win.h"

#include <windows.h>

#include <climits>
#include <optional>
#include <string>

#include "base/directory_entry_win.h"
#include "base/text_ops.h"
#include "payload/deploy_win.h"
#include "payload/tool_update_win.h"
#include "settings/program_facts_win.h"
#include "settings/settings_file_win.h"
#include "settings/version_stamp_win.h"
#include "settings/window_placement_win.h"
#include "shell/main_window_layout.h"
#include "shell/main_window_win.h"
#include "shell/system_libraries_win.h"

namespace {

constexpr int kWindowLooks = 25;
constexpr DWORD kLookIntervalMs = 100;
constexpr int kCindrelRow = 2;

HWND savedFocus = nullptr;
std::string allProgExitText;

// A folder of the tool's name is no tool.
bool ToolFileExists(const std::string& path) {
    const std::optional<WIN32_FIND_DATAA> entry = FindDirectoryEntry(path);
    return entry && (entry->dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// ShowWindow waits for the window's thread: a tool that stopped answering would freeze the launcher's
// only thread, and with it " E X I T " and " All Exit ". The asynchronous call does not wait.
void RaiseAndRestore(HWND window) {
    SetForegroundWindow(window);
    ShowWindowAsync(window, SW_RESTORE);
}

void FocusControl(HWND window, int32_t controlId) {
    SetForegroundWindow(window);
    SetFocus(GetDlgItem(window, controlId));
}

void DeployRow(HWND window, const ToolEntry& entry) {
    if (entry.buttonId == ToolCatalogue()[kCindrelRow - 1].buttonId) {
        DeployCindrelTool(window, kDeployToProgramFolder, kDeployWrite);
    } else {
        DeployTool(window, kDeployToProgramFolder, kDeployWrite, entry.resourceName);
    }
}

// The box shows the option as the settings file holds it, which is what decides at close.
void LoadOptionIntoCheckBox(HWND window) {
    AllProgExitOption(allProgExitText, kOptionRead);
    const int32_t state = RoundToInt32(ReadNumber(allProgExitText));
    SendDlgItemMessageA(window, kAllExitCheckBoxId, BM_SETCHECK, static_cast<WPARAM>(state), 0);
}

// As Tab would put it there, so that the button is also the default one and Enter presses it.
void FocusFirstTabStop(HWND window) {
    SendMessageA(window, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(window, FirstTabStopId())), TRUE);
}

// A click on a file that cannot be written (read-only, or none in a folder that refuses it) leaves the
// file as it was; the box then goes back to it instead of promising what the close will not do.
void StoreCheckBoxState(HWND window) {
    const LRESULT state = SendDlgItemMessageA(window, kAllExitCheckBoxId, BM_GETCHECK, 0, 0);
    std::string value = state == BST_CHECKED ? "1" : "0";
    if (state == BST_CHECKED || state == BST_UNCHECKED) AllProgExitOption(value, kOptionWrite);
    LoadOptionIntoCheckBox(window);
}

void OnActivation(WPARAM active) {
    if (active == 0) {
        savedFocus = GetFocus();
    } else if (savedFocus != nullptr) {
        SetFocus(savedFocus);
        savedFocus = nullptr;
    }
}

// A launcher without a home page (none was ever written into it) opens nothing.
void OpenHomePage(HWND window) {
    const std::string homePage = HomePageUrl();
    if (!homePage.empty()) ShellOpen(window, "open", homePage.c_str(), "", SW_RESTORE);
    FocusControl(window, kExitButtonId);
}

void OnCommand(HWND window, WPARAM wParam) {
    const int32_t controlId = LOWORD(wParam);
    switch (CommandActionFor(controlId, HIWORD(wParam))) {
    case CommandAction::RunTool:
        FocusControl(window, controlId);
        SendMessageA(window, MSG_RUN_TOOL, static_cast<WPARAM>(controlId), 0);
        return;
    case CommandAction::EndWindow:
        EndMainWindow(window, 0);
        return;
    case CommandAction::StoreOption:
        StoreCheckBoxState(window);
        return;
    case CommandAction::OpenHomePage:
        OpenHomePage(window);
        return;
    case CommandAction::None:
        return;
    }
}

void OnRunTool(HWND window, WPARAM wParam) {
    if (wParam > static_cast<WPARAM>(INT32_MAX)) return;
    const ToolEntry* entry = FindToolByButtonId(static_cast<int32_t>(wParam));
    if (entry != nullptr) RunTool(window, *entry);
}

// The read rewrites the text, so it must be complete before the decision looks at the text.
void OnClose() {
    const int32_t readResult = AllProgExitOption(allProgExitText, kOptionRead);
    if (ClosesToolsOnExit(readResult, allProgExitText)) CloseAllTools();
}

} // namespace

int32_t MainWindowCallback(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    TrackWindowPlacement(window, message, wParam, lParam);
    switch (message) {
    case WM_INITDIALOG:
        LoadOptionIntoCheckBox(window);
        FocusFirstTabStop(window);
        break;
    case WM_NCACTIVATE:
        OnActivation(wParam);
        break;
    case WM_COMMAND:
        OnCommand(window, wParam);
        break;
    case MSG_RUN_TOOL:
        OnRunTool(window, wParam);
        break;
    case WM_CLOSE:
        OnClose();
        break;
    default:
        break;
    }
    return 0;
}

void RunTool(HWND window, const ToolEntry& entry) {
    const std::string folder = ProgramFolder();
    const std::string path = folder + std::string(entry.exeFileName);
    const bool present = ToolFileExists(path);
    if (!present) DeployRow(window, entry);
    if (!ToolFileExists(path)) {
        const std::string missingMessage(entry.missingMessage);
        MessageBoxA(window, missingMessage.c_str(), kMissingToolCaption, kDeployFailureStyle);
        return;
    }
    const std::string title(entry.windowTitle);
    HWND running = FindWindowA(nullptr, title.c_str());
    if (running != nullptr) {
        RaiseAndRestore(running);
        return;
    }
    // Only a tool that does not run is replaced; the file of a running one stays as it is.
    if (present && ToolUpdatesEnabled()) UpdateTool(entry.resourceName, path);
    // A tool started in the launcher's own current folder (the system folder, from an elevated prompt)
    // would write its relative paths there; it starts in the program folder, as from Explorer.
    ShellOpen(window, "", path.c_str(), folder.c_str(), SW_SHOW);
    AwaitToolWindow(title);
}

int32_t AwaitToolWindow(std::string_view title) {
    const std::string cTitle(title);
    HWND found = nullptr;
    for (int look = 0; look < kWindowLooks && found == nullptr; ++look) {
        Sleep(kLookIntervalMs);
        found = FindWindowA(nullptr, cTitle.c_str());
    }
    if (found == nullptr) return 0;
    if (IsIconic(found)) RaiseAndRestore(found);
    return 1;
}

void CloseAllTools() {
    for (const ToolEntry& entry : ToolCatalogue()) {
        const std::string title(entry.windowTitle);
        HWND tool = FindWindowA(nullptr, title.c_str());
        if (tool != nullptr) PostMessageA(tool, WM_SYSCOMMAND, SC_CLOSE, 0);
    }
}
