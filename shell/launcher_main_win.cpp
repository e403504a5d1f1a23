#include <windows.h>

#include "settings/program_stamp.h"
#include "settings/version_stamp.h"
#include "shell/launcher_main.h"
#include "shell/main_window.h"
#include "shell/main_window_layout.h"

namespace {

// The session-wide token of a running launcher, held while LauncherMain runs.
class SingleInstanceToken {
  public:
    SingleInstanceToken() : mutex_(CreateMutexA(nullptr, FALSE, kSingleInstanceMutexName)) {
        alreadyTaken_ = mutex_ != nullptr && GetLastError() == ERROR_ALREADY_EXISTS;
    }
    ~SingleInstanceToken() {
        if (mutex_ != nullptr) CloseHandle(mutex_);
    }
    SingleInstanceToken(const SingleInstanceToken&) = delete;
    SingleInstanceToken& operator=(const SingleInstanceToken&) = delete;

    bool AlreadyTaken() const { return alreadyTaken_; }

  private:
    HANDLE mutex_;
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
