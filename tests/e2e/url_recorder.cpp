// Stands in for the web browser in end-to-end tests: registered as the handler of https links, it
// appends its command line's argument, one line per call, to url_recorder.log beside itself; X.folder
// beside it (X.exe) holds its current folder.
#include <windows.h>

#include <fstream>
#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR arguments, int) {
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (length < 4 || length >= MAX_PATH) return 1;
    std::string logPath(path, length - 3);
    logPath += "log";
    HANDLE log = CreateFileA(logPath.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (log == INVALID_HANDLE_VALUE) return 1;
    std::string argument = arguments;
    if (argument.size() >= 2 && argument.front() == '"' && argument.back() == '"') {
        argument = argument.substr(1, argument.size() - 2);
    }
    const std::string line = argument + "\r\n";
    DWORD written = 0;
    WriteFile(log, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    CloseHandle(log);
    char folder[MAX_PATH] = {};
    std::ofstream(logPath.substr(0, logPath.size() - 3) + "folder")
        << std::string(folder, GetCurrentDirectoryA(MAX_PATH, folder));
    return 0;
}
