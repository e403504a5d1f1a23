#include "tools/payload_tool/tool_packing.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "payload/deploy_paths.h"
#include "payload/payload_format.h"
#include "payload/payload_pack.h"
#include "tools/payload_tool/last_write_time.h"
#include "tools/payload_tool/recorded_facts.h"
#include "tools/payload_tool/tool_files.h"
#include "tools/payload_tool/tool_kinds.h"

namespace {

constexpr size_t kMaxFileNameLength = kFileNameBytes - 1; // room for the NUL

} // namespace

std::string FormatFileTime(uint64_t fileTime) {
    using namespace std::chrono;
    const sys_seconds time{
        seconds{static_cast<int64_t>(fileTime / kFileTimeTicksPerSecond) - kSecondsFrom1601To1970}};
    const sys_days day = floor<days>(time);
    const year_month_day date{day};
    const hh_mm_ss clock{time - day};
    if (!date.ok() || int(date.year()) > 9999) return "filetime:" + std::to_string(fileTime);
    char text[32] = {};
    std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02dZ", int(date.year()),
                  unsigned(date.month()), unsigned(date.day()), int(clock.hours().count()),
                  int(clock.minutes().count()), int(clock.seconds().count()));
    return text;
}

std::optional<uint64_t> PackTime(const std::string& path, bool standIn, std::string& error) {
    std::optional<uint64_t> newest;
    if (const char* epoch = std::getenv("SOURCE_DATE_EPOCH")) {
        char* end = nullptr;
        errno = 0;
        const long long seconds = std::strtoll(epoch, &end, 10);
        if (*epoch == '\0' || *end != '\0' || errno != 0 || seconds < 0 || seconds > 253'402'300'799) {
            error = "SOURCE_DATE_EPOCH is not a number of seconds since 1970";
            return std::nullopt;
        }
        newest = FileTimeFromPosixTime(seconds, 0);
        if (standIn) return newest;
    }
    const std::optional<uint64_t> own = LastWriteFileTime(path, error);
    if (!own) return std::nullopt;
    return newest ? std::min(*own, *newest) : *own;
}

bool IsPlainFileName(std::string_view name) {
    return !name.empty() && name.size() <= kMaxFileNameLength && name != "." && name != ".." &&
           name.find_first_of(std::string_view("/\\:\0", 4)) == std::string_view::npos;
}

bool IsDeployedUnchanged(const std::string& name) {
    return IsPlainFileName(name) && DeployFileName(name) == name;
}

std::optional<std::string> PackFile(const std::string& path, const std::string& name, std::string& error) {
    const std::optional<std::string> file = ReadWholeFile(path, error);
    if (!file) return std::nullopt;
    return PackFileBytes(*file, path, name, error);
}

std::optional<std::string> PackFileBytes(const std::string& file, const std::string& path,
                                         const std::string& name, std::string& error) {
    error = file.empty()               ? "empty; a payload needs at least one file byte"
            : file.size() > UINT32_MAX ? "larger than 4 GiB"
                                       : "";
    if (!error.empty()) return std::nullopt;
    const std::optional<uint64_t> time = PackTime(path, IsStandIn(file), error);
    if (!time) return std::nullopt;

    FindDataRecord record;
    record.dwFileAttributes = kFileAttributeArchive;
    record.ftCreationTime = record.ftLastAccessTime = record.ftLastWriteTime = *time;
    record.nFileSizeLow = static_cast<uint32_t>(file.size());
    record.cFileName = name;
    std::string payload = MakeCompressedPayload(file, record);
    if (payload.empty()) {
        error = "could not be packed into a payload that reads back";
        return std::nullopt;
    }
    return payload;
}

std::optional<std::string> WriteRecordedFile(const std::string& folder, const PayloadImage& image,
                                             std::string& error) {
    const std::string& name = image.record.cFileName;
    if (!IsPlainFileName(name)) {
        error = "recorded file name \"" + name + "\" is not a plain file name";
        return std::nullopt;
    }
    std::error_code failure;
    std::filesystem::create_directories(folder, failure);
    if (failure) {
        error = "cannot create the folder " + folder + ": " + failure.message();
        return std::nullopt;
    }
    const std::string path = folder + "/" + name;
    if (!WriteAtomically(path, image.fileBytes, error)) {
        error = "cannot write " + path + ": " + error;
        return std::nullopt;
    }
    if (!GiveRecordedFacts(path, image.record, error)) {
        error = path + " is written, but " + error;
        return std::nullopt;
    }
    return path;
}
