#include "shell/system_libraries_win.h"

#include <string>

namespace {

using CoInitializeFn = HRESULT(WINAPI*)(void*);
using CoUninitializeFn = void(WINAPI*)();
using ShellExecuteFn = HINSTANCE(WINAPI*)(HWND, const char*, const char*, const char*, const char*, int);

} // namespace

HMODULE LoadSystemLibrary(const char* name) {
    HMODULE module = LoadLibraryExA(name, nullptr, kSearchSystem32);
    if (module != nullptr) return module;
    // Systems without the search flags: a full path into the system folder is just as safe.
    char folder[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryA(folder, MAX_PATH);
    const std::string path = std::string(folder, length < MAX_PATH ? length : 0) + "\\" + name;
    if (length == 0 || path.size() >= MAX_PATH) return nullptr;
    return LoadLibraryA(path.c_str());
}

ThreadCom::ThreadCom() {
    const auto initialise = SystemFunction<CoInitializeFn>("ole32.dll", "CoInitialize");
    initialised_ = initialise != nullptr && SUCCEEDED(initialise(nullptr));
}

ThreadCom::~ThreadCom() {
    if (!initialised_) return;
    if (const auto uninitialise = SystemFunction<CoUninitializeFn>("ole32.dll", "CoUninitialize"))
        uninitialise();
}

void ShellOpen(HWND window, const char* verb, const char* file, const char* folder, int show) {
    if (const auto execute = SystemFunction<ShellExecuteFn>("shell32.dll", "ShellExecuteA"))
        execute(window, verb, file, "", folder, show);
}
