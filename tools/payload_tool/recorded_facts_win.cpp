#include <windows.h>

#include <system_error>

#include "base/owned_handles_win.h"
#include "tools/payload_tool/recorded_facts.h"

namespace {

bool Failed(std::string& error, const char* step) {
    error = std::string(step) + ": " + std::system_category().message(static_cast<int>(GetLastError()));
    return false;
}

} // namespace

bool GiveRecordedFacts(const std::string& path, const FindDataRecord& record, std::string& error) {
    if ((record.dwFileAttributes & FILE_ATTRIBUTE_READONLY) == 0) {
        const FileHandle file(CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                          FILE_ATTRIBUTE_NORMAL, nullptr));
        const FILETIME time{static_cast<DWORD>(record.ftLastWriteTime & 0xFFFFFFFFu),
                            static_cast<DWORD>(record.ftLastWriteTime >> 32)};
        if (!file.Valid() || !SetFileTime(file.Get(), &time, &time, &time))
            return Failed(error, "cannot set its times");
    }
    if (!SetFileAttributesA(path.c_str(), record.dwFileAttributes))
        return Failed(error, "cannot set its attributes");
    return true;
}
