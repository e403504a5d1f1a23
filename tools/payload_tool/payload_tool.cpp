// payload-tool: packs tool files into payloads for the launcher's resources and checks a built
// launcher's payloads the way the launcher reads them. Every failure is one line on stderr starting
// with "payload-tool: " and a non-zero exit code.
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <exception>
#include <fcntl.h>
#include <filesystem>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "payload/deploy_paths.h"
#include "payload/payload_format.h"
#include "payload/payload_pack.h"
#include "shell/tool_catalogue.h"
#include "tools/payload_tool/last_write_time.h"
#include "tools/payload_tool/pe_image.h"

namespace {

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;
constexpr size_t kMaxFileNameLength = kFileNameBytes - 1; // room for the NUL

constexpr const char* kUsage =
    "usage: payload-tool COMMAND ARGUMENTS... (payload-tool --help lists the commands)\n";

int Fail(const std::string& subject, const std::string& message) {
    std::cerr << "payload-tool: " << subject << ": " << message << "\n";
    return kExitFailure;
}

#ifdef _WIN32
constexpr int kOpenFlags = O_BINARY;
#else
// Opening a FIFO for reading waits for a writer unless it is non-blocking; regular files read the same.
constexpr int kOpenFlags = O_CLOEXEC | O_NONBLOCK;
#endif

// The whole of the regular file at `path`; anything else (a directory, a device such as /dev/zero, a
// FIFO) is refused at once instead of read for ever.
std::optional<std::string> ReadWholeFile(const std::string& path, std::string& error) {
    const int file = ::open(path.c_str(), O_RDONLY | kOpenFlags);
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

// Writes `bytes` to a new file beside `path` and renames it over `path`, so that `path` is either what it
// was or the whole new file. The new file takes the first free name of PATH.partial, PATH.partial.1, ...
// and is created exclusively: whatever is found at such a name, a planted link included, is neither
// followed nor overwritten. On failure the new file is removed and `error` says why.
bool WriteAtomically(const std::string& path, std::string_view bytes, std::string& error) {
    constexpr int kMaxPartialNames = 100;
    std::string partial;
    int file = -1;
    for (int attempt = 0; attempt < kMaxPartialNames && file < 0; ++attempt) {
        partial = path + ".partial" + (attempt == 0 ? "" : "." + std::to_string(attempt));
        file = ::open(partial.c_str(), O_WRONLY | O_CREAT | O_EXCL | kOpenFlags, 0666);
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
        std::remove(partial.c_str());
        return false;
    }
    std::error_code failure;
    std::filesystem::rename(partial, path, failure);
    if (failure) {
        error = failure.message();
        std::remove(partial.c_str());
        return false;
    }
    return true;
}

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

// SOURCE_DATE_EPOCH when set (reproducible builds), else the file's last-write time.
std::optional<uint64_t> PackTime(const std::string& path, std::string& error) {
    if (const char* epoch = std::getenv("SOURCE_DATE_EPOCH")) {
        char* end = nullptr;
        errno = 0;
        const long long seconds = std::strtoll(epoch, &end, 10);
        if (*epoch == '\0' || *end != '\0' || errno != 0 || seconds < 0 || seconds > 253'402'300'799) {
            error = "SOURCE_DATE_EPOCH is not a number of seconds since 1970";
            return std::nullopt;
        }
        return FileTimeFromPosixTime(seconds, 0);
    }
    return LastWriteFileTime(path, error);
}

std::string BareFileName(const std::string& path) {
    const size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A name that the launcher can write into its own folder and nowhere else.
bool IsPlainFileName(std::string_view name) {
    return !name.empty() && name.size() <= kMaxFileNameLength && name != "." && name != ".." &&
           name.find_first_of(std::string_view("/\\:\0", 4)) == std::string_view::npos;
}

// A name that the launcher writes exactly as recorded: deployment's file-name rule would refuse or
// alter "...", "To?l.exe" or "Tool.exe ", and the tool would then never be written.
bool IsDeployedUnchanged(const std::string& name) {
    return IsPlainFileName(name) && DeployFileName(name) == name;
}

// The payload of the file at `path` recorded as `name`, exactly as the build packs it, or why not.
std::optional<std::string> PackFile(const std::string& path, const std::string& name, std::string& error) {
    const std::optional<std::string> file = ReadWholeFile(path, error);
    if (!file) return std::nullopt;
    error = file->empty()               ? "empty; a payload needs at least one file byte"
            : file->size() > UINT32_MAX ? "larger than 4 GiB"
                                        : "";
    if (!error.empty()) return std::nullopt;
    const std::optional<uint64_t> time = PackTime(path, error);
    if (!time) return std::nullopt;

    FindDataRecord record;
    record.dwFileAttributes = kFileAttributeArchive;
    record.ftCreationTime = record.ftLastAccessTime = record.ftLastWriteTime = *time;
    record.nFileSizeLow = static_cast<uint32_t>(file->size());
    record.cFileName = name;
    std::string payload = MakeCompressedPayload(*file, record);
    if (payload.empty()) {
        error = "could not be packed into a payload that reads back";
        return std::nullopt;
    }
    return payload;
}

int Pack(const std::vector<std::string>& args) {
    if (args.size() != 2 && !(args.size() == 4 && args[2] == "--name")) {
        std::cerr << kUsage;
        return kExitUsage;
    }
    const std::string& path = args[0];
    const std::string& outPath = args[1];
    const std::string name = args.size() == 4 ? args[3] : BareFileName(path);
    if (!IsDeployedUnchanged(name)) {
        return Fail(path, "\"" + name +
                              "\" is not a file name of 1 to 259 bytes that the launcher writes unchanged");
    }
    std::string error;
    const std::optional<std::string> payload = PackFile(path, name, error);
    if (!payload) return Fail(path, error);
    if (!WriteAtomically(outPath, *payload, error)) return Fail(outPath, "cannot write: " + error);
    return 0;
}

struct Executable {
    std::string file;
    PeImage image;
};

// Reads EXE and its resources, or prints why not.
std::optional<Executable> LoadExecutable(const std::string& path) {
    std::string error;
    std::optional<std::string> file = ReadWholeFile(path, error);
    if (!file) {
        Fail(path, error);
        return std::nullopt;
    }
    Executable exe{std::move(*file), {}};
    const PeResult result = ReadPeImage(exe.file, exe.image);
    if (result != PeResult::Ok) {
        Fail(path, std::string(PeResultText(result)));
        return std::nullopt;
    }
    return exe;
}

// An RT_RCDATA resource in the language FindResourceA finds without a language of its own: the first.
struct RcData {
    std::string name; // as ResourceIdText gives it
    bool numbered = false;
    size_t size = 0;
};

struct Payloads {
    std::vector<RcData> rcData; // in table order
    MemoryResourceStore store;  // the named ones, as the launcher finds them
};

Payloads PayloadsOf(const PeImage& image) {
    Payloads payloads;
    const PeResourceType* type = FindResourceType(image.resources, kRtRcData);
    if (type == nullptr) return payloads;
    for (const PeResourceName& name : type->names) {
        const std::string& bytes = name.languages.front().bytes;
        payloads.rcData.push_back({ResourceIdText(name.id), !name.id.named, bytes.size()});
        // Numbered resources cannot be reached by name: FindResourceA takes "#n" as the number n.
        if (name.id.named) payloads.store.Add(payloads.rcData.back().name, bytes);
    }
    return payloads;
}

std::string_view VariantText(const std::optional<PayloadVariant>& variant) {
    if (!variant) return "-";
    switch (*variant) {
    case PayloadVariant::Compressed:
        return "Compressed";
    case PayloadVariant::Plain:
        return "Plain";
    case PayloadVariant::Split:
        return "Split";
    }
    return "-";
}

// The record's checksum as list shows it: the CRC-32 in hex when the marker says one was recorded.
std::string ChecksumText(const FindDataRecord& record) {
    if (!RecordsChecksum(record)) return "absent";
    char hex[9] = {};
    std::snprintf(hex, sizeof hex, "%08x", static_cast<unsigned>(record.dwReserved0));
    return std::string(hex) + " checked";
}

int List(const std::vector<std::string>& args) {
    if (args.size() != 1) {
        std::cerr << kUsage;
        return kExitUsage;
    }
    const std::optional<Executable> exe = LoadExecutable(args[0]);
    if (!exe) return kExitFailure;
    const Payloads payloads = PayloadsOf(exe->image);
    std::cout << "name\tvariant\tstored\trecorded\tfile\ttime\tcrc32\tstatus\n";
    for (const RcData& resource : payloads.rcData) {
        PayloadImage image;
        PayloadFacts facts;
        const PayloadFault fault = resource.numbered
                                       ? PayloadFault::NoPayloadEnding
                                       : InspectPayload(payloads.store, resource.name, image, facts);
        std::cout << resource.name << '\t' << VariantText(facts.variant) << '\t' << resource.size << '\t';
        if (facts.record) {
            std::cout << RecordedFileSize(*facts.record) << '\t' << facts.record->cFileName << '\t'
                      << FormatFileTime(facts.record->ftLastWriteTime) << '\t' << ChecksumText(*facts.record)
                      << '\t';
        } else {
            std::cout << "-\t-\t-\t-\t";
        }
        std::cout << (fault == PayloadFault::None ? "OK"
                                                  : "not a payload: " + std::string(PayloadFaultText(fault)))
                  << "\n";
    }
    return 0;
}

int Verify(const std::vector<std::string>& args) {
    if (args.size() != 1) {
        std::cerr << kUsage;
        return kExitUsage;
    }
    const std::string& path = args[0];
    const std::optional<Executable> exe = LoadExecutable(path);
    if (!exe) return kExitFailure;
    const Payloads payloads = PayloadsOf(exe->image);
    int good = 0;
    for (const ToolEntry& entry : ToolCatalogue()) {
        PayloadImage image;
        PayloadFacts facts;
        const PayloadFault fault = InspectPayload(payloads.store, entry.resourceName, image, facts);
        std::ostringstream problem;
        if (fault != PayloadFault::None) {
            problem << PayloadFaultText(fault);
        } else if (image.record.cFileName != entry.exeFileName) {
            problem << "records \"" << image.record.cFileName << "\" instead of \"" << entry.exeFileName
                    << "\"";
        }
        if (problem.str().empty()) {
            ++good;
            std::cout << "ok     " << entry.resourceName << ": " << entry.exeFileName << ", "
                      << image.fileBytes.size() << " bytes, " << VariantText(facts.variant) << ", "
                      << (RecordsChecksum(image.record) ? "CRC-32 checked" : "no CRC-32 recorded") << "\n";
        } else {
            std::cout << "FAILED " << entry.resourceName << ": " << problem.str() << "\n";
        }
    }
    std::cout << "payload-tool: " << path << ": " << good << " of " << kToolCount
              << " catalogue payloads OK\n";
    return good == kToolCount ? 0 : kExitFailure;
}

bool SameIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

// A catalogue row by its number (1 to 5), its tool's file name or its resource name, in any case.
const ToolEntry* FindRow(std::string_view text) {
    for (size_t row = 0; row < ToolCatalogue().size(); ++row) {
        const ToolEntry& entry = ToolCatalogue()[row];
        if (text == std::to_string(row + 1) || SameIgnoringCase(text, entry.exeFileName) ||
            SameIgnoringCase(text, entry.resourceName)) {
            return &entry;
        }
    }
    return nullptr;
}

// extract's NAME: a row as FindRow takes it; anything else is taken as a resource name of its own (an
// executable may carry more payloads).
std::string ResourceNameFor(const std::string& name) {
    const ToolEntry* row = FindRow(name);
    return row != nullptr ? std::string(row->resourceName) : name;
}

int Extract(const std::vector<std::string>& args) {
    if (args.size() != 3) {
        std::cerr << kUsage;
        return kExitUsage;
    }
    const std::string& path = args[0];
    const std::string name = ResourceNameFor(args[1]);
    const std::string& folder = args[2];
    const std::optional<Executable> exe = LoadExecutable(path);
    if (!exe) return kExitFailure;
    const Payloads payloads = PayloadsOf(exe->image);
    PayloadImage image;
    PayloadFacts facts;
    const PayloadFault fault = InspectPayload(payloads.store, name, image, facts);
    if (fault != PayloadFault::None)
        return Fail(path, name + ": not a payload: " + std::string(PayloadFaultText(fault)));
    if (!IsPlainFileName(image.record.cFileName)) {
        return Fail(path, name + ": recorded file name \"" + image.record.cFileName +
                              "\" is not a plain file name");
    }
    const std::string target = folder + "/" + image.record.cFileName;
    std::string error;
    if (!WriteAtomically(target, image.fileBytes, error)) return Fail(target, "cannot write: " + error);
    std::cout << target << "\n";
    return 0;
}

bool SameName(const std::u16string& name, std::string_view ascii) {
    std::string narrow;
    for (char16_t unit : name) {
        if (unit >= 0x80) return false;
        narrow += static_cast<char>(unit);
    }
    return SameIgnoringCase(narrow, ascii);
}

// Puts `payload` into the RT_RCDATA resource `name`, or says why not. The resource must have one
// language: of several, the launcher would find the one of the system's language, and a payload put into
// each of them would multiply the output by a count the file chooses.
std::string PutPayload(PeResourceTree& tree, std::string_view name, const std::string& payload) {
    PeResourceName* found = nullptr;
    if (PeResourceType* type = FindResourceType(tree, kRtRcData)) {
        for (PeResourceName& resource : type->names) {
            if (found == nullptr && resource.id.named && SameName(resource.id.name, name)) found = &resource;
        }
    }
    if (found == nullptr) return "has no RT_RCDATA resource " + std::string(name);
    if (found->languages.size() != 1) {
        return "the RT_RCDATA resource " + std::string(name) + " has " +
               std::to_string(found->languages.size()) + " languages, not one";
    }
    found->languages.front().bytes = payload;
    return "";
}

int Replace(const std::vector<std::string>& args) {
    std::vector<std::string> items(args.begin() + (args.empty() ? 0 : 1), args.end());
    const auto option = std::find(items.begin(), items.end(), "-o");
    if (args.size() < 4 || option != items.end() - 2 || option == items.begin()) {
        std::cerr << kUsage;
        return kExitUsage;
    }
    const std::string& launcherPath = args[0];
    const std::string outPath = items.back();
    items.resize(items.size() - 2);

    std::optional<Executable> exe = LoadExecutable(launcherPath);
    if (!exe) return kExitFailure;
    std::string error;

    std::vector<const ToolEntry*> done;
    for (const std::string& item : items) {
        const size_t equals = item.find('=');
        const ToolEntry* row = FindRow(item.substr(0, std::min(equals, item.size())));
        if (equals == std::string::npos || equals + 1 == item.size()) return Fail(item, "not ROW=FILE");
        if (row == nullptr)
            return Fail(item, "no such row; a row is its number, its tool's file name or its resource name");
        if (std::find(done.begin(), done.end(), row) != done.end())
            return Fail(item, "the row is named twice");
        done.push_back(row);
        const std::string file = item.substr(equals + 1);
        const std::optional<std::string> payload = PackFile(file, std::string(row->exeFileName), error);
        if (!payload) return Fail(file, error);
        error = PutPayload(exe->image.resources, row->resourceName, *payload);
        if (!error.empty()) return Fail(launcherPath, error);
    }

    PeRewrite rewrite;
    const PeResult written = RewriteResources(exe->file, exe->image, exe->image.resources, rewrite);
    if (written != PeResult::Ok) return Fail(launcherPath, std::string(PeResultText(written)));
    if (!WriteAtomically(outPath, rewrite.image, error)) return Fail(outPath, "cannot write: " + error);
    for (const ToolEntry* row : done)
        std::cout << "replaced " << row->resourceName << " (" << row->exeFileName << ")\n";
    if (rewrite.signatureRemoved) {
        std::cout << "payload-tool: " << outPath
                  << ": the launcher's Authenticode signature was removed; sign this file again\n";
    }
    return 0;
}

// What a distributor needs to know of each row: how replace names it, and the title by which the
// launcher finds, raises and closes the running tool.
int Rows(const std::vector<std::string>& args) {
    if (!args.empty()) {
        std::cerr << kUsage;
        return kExitUsage;
    }
    std::cout << "row\tfile\tresource\twindow title\n";
    for (size_t row = 0; row < ToolCatalogue().size(); ++row) {
        const ToolEntry& entry = ToolCatalogue()[row];
        std::cout << row + 1 << '\t' << entry.exeFileName << '\t' << entry.resourceName << "\t\""
                  << entry.windowTitle << "\"\n";
    }
    return 0;
}

// What a file is, for the build's table of rows: program32, program64, dll32, dll64 or other.
int Kind(const std::vector<std::string>& args) {
    if (args.size() != 1) {
        std::cerr << kUsage;
        return kExitUsage;
    }
    std::string error;
    const std::optional<std::string> file = ReadWholeFile(args[0], error);
    if (!file) return Fail(args[0], error);
    std::cout << PeKindWord(PeKindOf(*file)) << "\n";
    return 0;
}

struct Command {
    std::string_view name;
    std::string_view arguments;
    std::string_view summary;
    int (*run)(const std::vector<std::string>& args);
};

int Help(const std::vector<std::string>& args);

// One line each in --help; a new command is one more row.
constexpr Command kCommands[] = {
    {"pack", "FILE OUT [--name NAME]",
     "packs FILE into the payload OUT, recorded as NAME (default: FILE's name)", Pack},
    {"list", "EXE", "lists every RCDATA resource of EXE with what the launcher would read from it", List},
    {"verify", "EXE",
     "checks the five tools' payloads of EXE as the launcher reads them; exit 0 when all are good", Verify},
    {"extract", "EXE TOOL DIR",
     "writes a tool's file from EXE into DIR; TOOL is a row number 1-5, a file name or a resource name",
     Extract},
    {"replace", "EXE ROW=FILE... -o OUT",
     "writes OUT: EXE with each ROW's tool packed from FILE (ROW as extract's TOOL); sign OUT after",
     Replace},
    {"rows", "", "lists each row's number, file name, resource name and the window title it must have", Rows},
    {"kind", "FILE", "prints what FILE is: program32, program64, dll32, dll64 or other", Kind},
    {"--help", "", "prints this list", Help},
};

int Help(const std::vector<std::string>&) {
    std::cout << "usage: payload-tool COMMAND ARGUMENTS...\n\n";
    for (const Command& command : kCommands) {
        std::string line = std::string(command.name) + " " + std::string(command.arguments);
        line.resize(std::max<size_t>(line.size() + 1, 32), ' ');
        std::cout << "  " << line << command.summary << "\n";
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const std::string name = argc < 2 ? "" : argv[1];
    const std::vector<std::string> args(argv + std::min(argc, 2), argv + argc);
    for (const Command& command : kCommands) {
        if (name != command.name && !(command.run == Help && (name == "-h" || name == "help"))) continue;
        try {
            return command.run(args);
        } catch (const std::exception& failure) {
            // Only the standard library throws here (out of memory on a huge file, for one).
            std::cerr << "payload-tool: " << failure.what() << "\n";
            return kExitFailure;
        }
    }
    std::cerr << kUsage;
    return kExitUsage;
}
