#include "tools/payload_tool/last_write_time.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>

#include "payload/payload_pack.h"

// Not std::filesystem::last_write_time: its nanoseconds since 1970 in 64 bits end in 1677 and 2262, and
// a file dated 1601 came back as 2185.
std::optional<uint64_t> LastWriteFileTime(const std::string& path, std::string& error) {
    struct stat facts {};
    if (stat(path.c_str(), &facts) != 0) {
        error = std::strerror(errno);
        return std::nullopt;
    }
    const std::optional<uint64_t> time =
        FileTimeFromPosixTime(facts.st_mtim.tv_sec, static_cast<uint32_t>(facts.st_mtim.tv_nsec));
    if (!time) {
        error = facts.st_mtim.tv_sec < 0
                    ? "last written before 1601, earlier than a FILETIME can hold"
                    : "last written after the year 60056, later than a FILETIME can hold";
    }
    return time;
}
