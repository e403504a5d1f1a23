// The system libraries that the launcher loads itself instead of importing them, so that its start
// does not wait for them: comctl32, and ole32 and shell32, which only a tool's or the home page's
// start needs. The launcher runs elevated, often from a download folder that anyone can write to, so
// each comes from the system folder only; once loaded, it stays for the rest of the process.
#pragma once

#include <windows.h>

// The DLL search that the launcher allows itself, for LoadLibraryExA and SetDefaultDllDirectories: the
// system folder alone.
inline constexpr DWORD kSearchSystem32 = LOAD_LIBRARY_SEARCH_SYSTEM32;

// The module `name` (a bare file name) from the system folder, or nullptr.
HMODULE LoadSystemLibrary(const char* name);

// The function, or nullptr when the library or function is missing.
template <typename Function> Function SystemFunction(const char* library, const char* function) {
    HMODULE module = LoadSystemLibrary(library);
    if (module == nullptr) return nullptr;
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, function)));
}

// COM for the calling thread while it lives (CoInitialize; CoUninitialize when that succeeded); without
// ole32 it does nothing.
class ThreadCom {
  public:
    ThreadCom();
    ~ThreadCom();
    ThreadCom(const ThreadCom&) = delete;
    ThreadCom& operator=(const ThreadCom&) = delete;

  private:
    bool initialised_ = false;
};

// ShellExecuteA of `file` with no parameters, started in `folder` ("": the launcher's own current
// folder); does nothing without shell32.
void ShellOpen(HWND window, const char* verb, const char* file, const char* folder, int show);
