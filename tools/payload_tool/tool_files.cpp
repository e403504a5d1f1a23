#include "tools/payload_tool/tool_files.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

#include "tools/payload_tool/utf8_text.h"

namespace {

#ifdef _WIN32
#include <io.h>

constexpr int kOpenFlags = O_BINARY;

// Paths are UTF-8 (command_line.h); the C runtime's narrow functions would read them in the ANSI code
// page.
std::wstring NativePath(const std::string& path) {
    const std::u16string wide = Utf16FromUtf8(path).value_or(u"");
    return std::wstring(wide.begin(), wide.end());
}
int OpenPath(const std::string& path, int flags, int mode = 0) {
    return ::_wopen(NativePath(path).c_str(), flags, mode);
}
void RemovePath(const std::string& path) { ::_wremove(NativePath(path).c_str()); }
#else
const std::string& NativePath(const std::string& path) { return path; }
int OpenPath(const std::string& path, int flags, int mode = 0) { return ::open(path.c_str(), flags, mode); }
void RemovePath(const std::string& path) { std::remove(path.c_str()); }
// Opening a FIFO for reading waits for a writer unless it is non-blocking; regular files read the same.
constexpr int kOpenFlags = O_CLOEXEC | O_NONBLOCK;
#endif

// Writes all of `bytes` to `file`; false with errno set on failure.
bool WriteAll(int file, std::string_view bytes) {
    while (!bytes.empty()) {
        const long written =
            ::write(file, bytes.data(), static_cast<unsigned>(std::min<size_t>(bytes.size(), 1 << 30)));
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        bytes.remove_prefix(static_cast<size_t>(written));
    }
    return true;
}

} // namespace

std::optional<std::string> ReadWholeFile(const std::string& path, std::string& error) {
    const int file = OpenPath(path, O_RDONLY | kOpenFlags);
    if (file < 0) {
        error = std::strerror(errno);
        return std::nullopt;
    }
    struct stat facts {};
    std::string bytes;
    if (::fstat(file, &facts) != 0) {
        error = std::strerror(errno);
    } else if (!S_ISREG(facts.st_mode)) {
        error = S_ISDIR(facts.st_mode) ? std::strerror(EISDIR) : "not a regular file";
    } else {
        char buffer[65536];
        long got = 0;
        while ((got = ::read(file, buffer, sizeof buffer)) > 0 || (got < 0 && errno == EINTR))
            bytes.append(buffer, static_cast<size_t>(std::max(got, 0L)));
        if (got < 0) error = std::strerror(errno);
    }
    ::close(file);
    if (!error.empty()) return std::nullopt;
    return bytes;
}

bool WriteAtomically(const std::string& path, std::string_view bytes, std::string& error) {
    constexpr int kMaxPartialNames = 100;
    std::string partial;
    int file = -1;
    for (int attempt = 0; attempt < kMaxPartialNames && file < 0; ++attempt) {
        partial = path + ".partial" + (attempt == 0 ? "" : "." + std::to_string(attempt));
        file = OpenPath(partial, O_WRONLY | O_CREAT | O_EXCL | kOpenFlags, 0666);
        if (file < 0 && errno != EEXIST) break;
    }
    if (file < 0) {
        error = std::strerror(errno);
        return false;
    }
    const bool written = WriteAll(file, bytes);
    const int writeError = errno;
    if (::close(file) != 0 || !written) {
        error = std::strerror(written ? errno : writeError);
        RemovePath(partial);
        return false;
    }
    std::error_code failure;
    std::filesystem::rename(NativePath(partial), NativePath(path), failure);
    if (failure) {
        error = failure.message();
        RemovePath(partial);
        return false;
    }
    return true;
}

std::string BareFileName(const std::string& path) {
    const size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}
