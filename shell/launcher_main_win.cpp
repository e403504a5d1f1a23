#include "shell/launcher_main_win.h"

#include <windows.h>

#include "base/owned_handles_win.h"
#include "settings/program_facts_win.h"
#include "settings/version_stamp_win.h"
#include "shell/main_window_layout.h"
#include "shell/main_window_win.h"

namespace {

// The session-wide token of a running launcher, held while its window runs.
class SingleInstanceToken {
  public:
    SingleInstanceToken() : mutex_(CreateMutexA(nullptr, FALSE, kSingleInstanceMutexName)) {
        alreadyTaken_ = mutex_.Valid() && GetLastError() == ERROR_ALREADY_EXISTS;
    }
    bool AlreadyTaken() const { return alreadyTaken_; }
    void GiveUp() { mutex_.Reset(); }

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
    SingleInstanceToken token;
    if (token.AlreadyTaken() || FindWindowA(nullptr, MainWindowTitle) != nullptr) {
        // Only a running launcher may hold the token: a refused copy whose box stays open would
        // otherwise refuse every later start, even once no launcher runs any more.
        token.GiveUp();
        return RefuseSecondStart();
    }
    // Before the window exists: the window reads its placement and option from the file. The stamp is
    // the launcher's own version and date, as its resources carry them.
    EnsureSettingsStamp(ProgramDateText(), ProgramVersionText());
    ShowMainWindow(nullptr);
    return 0;
}
