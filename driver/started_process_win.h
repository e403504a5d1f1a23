// Starting a program from outside, as the harness, the tests and the benchmarks do, and owning it
// until it is dropped.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "base/owned_handles_win.h"

// A started program: its process and thread handles are closed exactly once, on every path. Dropping
// it never ends the program itself (EndIfRunning does).
class StartedProcess {
  public:
    StartedProcess() = default;
    explicit StartedProcess(const PROCESS_INFORMATION& started)
        : process_(started.hProcess), thread_(started.hThread), id_(started.dwProcessId) {}

    bool Started() const { return process_.Valid(); }
    HANDLE Handle() const { return process_.Get(); }
    DWORD Id() const { return id_; }
    DWORD LastError() const { return error_; }
    bool Running() const;
    // The exit code once the process has ended, or nullopt on timeout (or when none was started).
    std::optional<DWORD> WaitForExit(DWORD timeoutMs) const;
    void EndIfRunning(DWORD waitMs);

  private:
    friend StartedProcess StartProcess(std::string commandLine, const std::string& folder);

    KernelObject process_;
    KernelObject thread_;
    DWORD id_ = 0;
    DWORD error_ = 0;
};

// Starts the command line (the program's path first, quoted when it holds blanks) in `folder` (empty:
// the caller's folder); Started() is false when that failed, and LastError() tells why.
StartedProcess StartProcess(std::string commandLine, const std::string& folder = {});
