#include "driver/started_process_win.h"

bool StartedProcess::Running() const { return Started() && WaitForSingleObject(Handle(), 0) == WAIT_TIMEOUT; }

std::optional<DWORD> StartedProcess::WaitForExit(DWORD timeoutMs) const {
    if (!Started() || WaitForSingleObject(Handle(), timeoutMs) != WAIT_OBJECT_0) return std::nullopt;
    DWORD code = 0;
    if (!GetExitCodeProcess(Handle(), &code)) return std::nullopt;
    return code;
}

void StartedProcess::EndIfRunning(DWORD waitMs) {
    if (!Running()) return;
    TerminateProcess(Handle(), 1);
    WaitForSingleObject(Handle(), waitMs);
}

StartedProcess StartProcess(std::string commandLine, const std::string& folder) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        folder.empty() ? nullptr : folder.c_str(), &startup, &started)) {
        StartedProcess failed;
        failed.error_ = GetLastError();
        return failed;
    }
    return StartedProcess(started);
}
