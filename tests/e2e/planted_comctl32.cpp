// A stand-in for a DLL planted beside the launcher: if it is ever loaded, it leaves the file
// "planted-loaded.txt" in its own folder.
#include <windows.h>

#include <cstring>

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
    if (reason != DLL_PROCESS_ATTACH) return TRUE;
    char path[MAX_PATH] = {};
    DWORD length = GetModuleFileNameA(self, path, MAX_PATH);
    while (length > 0 && path[length - 1] != '\\') --length;
    constexpr char kMarker[] = "planted-loaded.txt";
    if (length + sizeof kMarker > MAX_PATH) return TRUE;
    std::memcpy(path + length, kMarker, sizeof kMarker);
    CloseHandle(CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    return TRUE;
}

extern "C" __declspec(dllexport) BOOL WINAPI InitCommonControlsEx(const void*) { return TRUE; }
