#include "tools/payload_tool/recorded_facts.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>

#include "payload/payload_pack.h"

namespace {

constexpr uint32_t kFileAttributeReadOnly = 0x01;

timespec PosixTimeOf(uint64_t fileTime) {
    const auto seconds = static_cast<int64_t>(fileTime / kFileTimeTicksPerSecond) - kSecondsFrom1601To1970;
    return {static_cast<time_t>(seconds), static_cast<long>(fileTime % kFileTimeTicksPerSecond) * 100};
}

bool Failed(std::string& error, const char* step) {
    error = std::string(step) + ": " + std::strerror(errno);
    return false;
}

} // namespace

bool GiveRecordedFacts(const std::string& path, const FindDataRecord& record, std::string& error) {
    const bool readOnly = (record.dwFileAttributes & kFileAttributeReadOnly) != 0;
    if (!readOnly) {
        const timespec times[2] = {PosixTimeOf(record.ftLastWriteTime), PosixTimeOf(record.ftLastWriteTime)};
        if (::utimensat(AT_FDCWD, path.c_str(), times, 0) != 0) return Failed(error, "cannot set its times");
        return true;
    }
    struct stat facts {};
    if (::stat(path.c_str(), &facts) != 0 || ::chmod(path.c_str(), facts.st_mode & 07555) != 0)
        return Failed(error, "cannot make it read-only");
    return true;
}
