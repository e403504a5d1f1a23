#include "shell/launcher_main_win.h"

#include <windows.h>

#include "settings/owned_handles_win.h"
#include "settings/program_stamp.h"
#include "settings/version_stamp_win.h"
#include "shell/main_window_layout.h"
#include "shell/main_window_win.h"

namespace {

// The session-wide token of a running launcher, held while LauncherMain runs.
class SingleInstanceToken {
  public:
    SingleInstanceToken() : mutex_(CreateMutexA(nullptr, FALSE, kSingleInstanceMutexName)) {
        alreadyTaken_ = mutex_.Valid() && GetLastError() == ERROR_ALREADY_EXISTS;
    }
    bool AlreadyTaken() const { return alreadyTaken_; }

  private:
    KernelObject mutex_;
    bool alreadyTaken_ = false;
};

int32_t RefuseSecondStart() {
    MessageBoxA(nullptr, kRefusalText, kRefusalCaption, MB_OK | MB_ICONEXCLAMATION | MB_SETFOREGROUND);
    return 0;
}

} // namespace

int32_t LauncherMain() {
    // The title test alone lets two copies started in the same instant both pass before either window
    // has its caption; the token closes that gap, the title test still sees foreign windows.
    const SingleInstanceToken token;
    if (token.AlreadyTaken()) return RefuseSecondStart();
    if (FindWindowA(nullptr, MainWindowTitle) != nullptr) return RefuseSecondStart();
    // Before the window exists: the window reads its placement and option from the file.
    EnsureSettingsStamp(ProgramDate, ProgramVersion);
    ShowMainWindow(nullptr);
    return 0;
}
