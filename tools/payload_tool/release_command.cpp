#include "tools/payload_tool/release_command.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "payload/payload_format.h"
#include "payload/payload_pack.h"
#include "settings/program_facts.h"
#include "tools/payload_tool/default_liesmich.h"
#include "tools/payload_tool/launcher_facts.h"
#include "tools/payload_tool/launcher_image.h"
#include "tools/payload_tool/sha256.h"
#include "tools/payload_tool/tool_files.h"
#include "tools/payload_tool/tool_kinds.h"
#include "tools/payload_tool/windows_text.h"
#include "tools/payload_tool/zip_writer.h"

namespace {

namespace fs = std::filesystem;

constexpr char kLauncherEntry[] = "FunkelisTools.exe";
constexpr char kTextEntry[] = "LIESMICH.txt";
constexpr char kSumsName[] = "SHA256SUMS";

struct ReleaseRequest {
    std::string exe;
    std::string folder;
    std::optional<std::string> liesmich;
    std::vector<std::string> kit;
};

// The command line; nullopt after the usage line, or after a failure line for what it lacks.
std::optional<ReleaseRequest> ParseRequest(const CommandArgs& args, int& exitCode) {
    ReleaseRequest request;
    std::optional<std::string> folder;
    bool wellFormed = true;
    for (size_t i = 0; i < args.size() && wellFormed; ++i) {
        const std::string& word = args[i];
        const bool takesValue = word == "-o" || word == "--liesmich" || word == "--kit";
        if (takesValue && i + 1 == args.size()) {
            exitCode = Fail(word, "needs a value");
            return std::nullopt;
        }
        if (word == "-o" && !folder) {
            folder = args[++i];
        } else if (word == "--liesmich" && !request.liesmich) {
            request.liesmich = args[++i];
        } else if (word == "--kit") {
            request.kit.push_back(args[++i]);
        } else {
            wellFormed = !takesValue && request.exe.empty() && !word.starts_with("-");
            request.exe = word;
        }
    }
    if (!wellFormed || request.exe.empty()) {
        exitCode = UsageError();
        return std::nullopt;
    }
    if (!folder) {
        exitCode = Fail(request.exe, "-o DIR is missing: the folder to write the release into");
        return std::nullopt;
    }
    request.folder = *folder;
    return request;
}

// The newest time recorded in the launcher's five payloads, in seconds since 1970: the build's
// SOURCE_DATE_EPOCH, or after `replace` the newest tool file's own time, which no copy, signing or
// unpacking of the launcher changes. (Its header's time stamp is zero: the build links without one, for
// reproducible bytes.) nullopt with `error` when a payload does not read back under its row's file name,
// since such a launcher must not be released.
std::optional<int64_t> ReleaseTime(const Executable& exe, std::string& error) {
    const Payloads payloads = PayloadsOf(exe.image);
    uint64_t newest = 0;
    for (size_t row = 0; row < ToolCatalogue().size(); ++row) {
        const ToolEntry& entry = ToolCatalogue()[row];
        PayloadImage tool;
        if (!ReadPayload(payloads.store, entry.resourceName, tool) ||
            tool.record.cFileName != entry.exeFileName) {
            error = "row " + std::to_string(row + 1) + " (" + std::string(entry.resourceName) +
                    ") does not read back as the launcher reads it; payload-tool verify says why";
            return std::nullopt;
        }
        newest = std::max(newest, tool.record.ftLastWriteTime);
    }
    return static_cast<int64_t>(newest / kFileTimeTicksPerSecond) - kSecondsFrom1601To1970;
}

// "FunkelisTools-2.1.0.4-<kind>.zip".
std::string ZipName(const std::string& version, const std::string& kind) {
    return "FunkelisTools-" + version + "-" + kind + ".zip";
}

// The release zip's kind: "win32" and, for rows that carry stand-ins, "-standins-1-2".
std::string ReleaseKind(const std::vector<int>& standInRows) {
    std::string kind = "win32";
    if (!standInRows.empty()) kind += "-standins";
    for (const int row : standInRows) kind += "-" + std::to_string(row);
    return kind;
}

std::string RowList(const std::vector<int>& rows) {
    std::string list;
    for (const int row : rows) list += (list.empty() ? "" : ", ") + std::to_string(row);
    return list;
}

struct OutputFile {
    std::string name;
    std::string bytes;
};

// The kit: each of `files` under its own name (a .txt one as a Windows text) and the release's text.
std::optional<std::string> KitZip(const std::vector<std::string>& files, const std::string& text,
                                  int64_t time, std::string& subject, std::string& error) {
    std::vector<ZipEntry> entries = {{kTextEntry, text}};
    for (const std::string& path : files) {
        subject = path;
        const std::string name = BareFileName(path);
        const auto sameName = [&](const ZipEntry& entry) { return entry.name == name; };
        if (std::any_of(entries.begin(), entries.end(), sameName)) {
            error = "the kit holds a file named " + name + " already";
            return std::nullopt;
        }
        std::optional<std::string> bytes = ReadWholeFile(path, error);
        if (bytes && name.ends_with(".txt")) bytes = WindowsText(*bytes, error);
        if (!bytes) return std::nullopt;
        entries.push_back({name, std::move(*bytes)});
    }
    subject = "the kit";
    return MakeZip(std::move(entries), time, error);
}

// Makes `folder` when it is missing. Refused: a folder that holds anything but the files of this release,
// which SHA256SUMS would not list (a zip of another version, left there, would look released).
bool PrepareFolder(const std::string& folder, const std::vector<OutputFile>& outputs, std::string& error) {
    std::error_code failure;
    fs::create_directories(folder, failure);
    if (failure || !fs::is_directory(folder, failure)) {
        error = "cannot make the folder: " + (failure ? failure.message() : "not a folder");
        return false;
    }
    std::vector<std::string> others;
    for (fs::directory_iterator it(folder, failure), end; !failure && it != end; it.increment(failure)) {
        const std::string name = it->path().filename().string();
        const auto owned = [&](const OutputFile& output) { return output.name == name; };
        if (std::none_of(outputs.begin(), outputs.end(), owned)) others.push_back(name);
    }
    if (failure) {
        error = "cannot read the folder: " + failure.message();
        return false;
    }
    if (!others.empty()) {
        std::sort(others.begin(), others.end());
        error = "holds " + others.front() + (others.size() > 1 ? " and more" : "") +
                ", which is not this release's: give an empty or new folder, so that SHA256SUMS lists "
                "exactly what it holds";
        return false;
    }
    return true;
}

// Writes every output into `folder`; on failure removes them all again, so that no zip is left without
// its sums nor sums without their zip.
bool WriteOutputs(const std::string& folder, const std::vector<OutputFile>& outputs, std::string& subject,
                  std::string& error) {
    for (const OutputFile& output : outputs) {
        subject = folder + "/" + output.name;
        if (WriteAtomically(subject, output.bytes, error)) continue;
        error = "cannot write: " + error;
        for (const OutputFile& written : outputs) std::remove((folder + "/" + written.name).c_str());
        return false;
    }
    return true;
}

} // namespace

int Release(const CommandArgs& args) {
    int exitCode = 0;
    const std::optional<ReleaseRequest> request = ParseRequest(args, exitCode);
    if (!request) return exitCode;
    const std::optional<Executable> exe = LoadExecutable(request->exe);
    if (!exe) return kExitFailure;
    const FactValues facts = ReadLauncherFacts(exe->image.resources);
    const std::optional<std::string>& version = facts[static_cast<size_t>(FactKey::Version)];
    if (!version) return Fail(request->exe, "no version resource with a file version");
    std::string error;
    const std::optional<int64_t> time = ReleaseTime(*exe, error);
    if (!time) return Fail(request->exe, error);

    const std::string textPath = request->liesmich.value_or("the built-in LIESMICH.txt");
    const bool toolUpdates = facts[static_cast<size_t>(FactKey::UpdateTools)] == kToolUpdatesOn;
    std::optional<std::string> text = std::string(DefaultLiesmich(toolUpdates));
    if (request->liesmich) text = ReadWholeFile(*request->liesmich, error);
    if (text) text = WindowsText(*text, error);
    if (!text) return Fail(textPath, error);

    const std::vector<int> standIns = StandInRows(*exe);
    std::vector<OutputFile> outputs;
    std::optional<std::string> zip =
        MakeZip({{kLauncherEntry, exe->file}, {kTextEntry, *text}}, *time, error);
    if (!zip) return Fail(request->exe, error);
    outputs.push_back({ZipName(*version, ReleaseKind(standIns)), std::move(*zip)});
    if (!request->kit.empty()) {
        std::string subject;
        std::optional<std::string> kit = KitZip(request->kit, *text, *time, subject, error);
        if (!kit) return Fail(subject, error);
        outputs.push_back({ZipName(*version, "kit-win32"), std::move(*kit)});
    }
    std::sort(outputs.begin(), outputs.end(),
              [](const OutputFile& a, const OutputFile& b) { return a.name < b.name; });
    std::string sums;
    for (const OutputFile& output : outputs) sums += Sha256Hex(output.bytes) + "  " + output.name + "\n";
    outputs.push_back({kSumsName, sums});

    if (!PrepareFolder(request->folder, outputs, error)) return Fail(request->folder, error);
    std::string subject;
    if (!WriteOutputs(request->folder, outputs, subject, error)) return Fail(subject, error);

    for (const OutputFile& output : outputs) std::cout << request->folder << "/" << output.name << "\n";
    if (!standIns.empty()) {
        std::cout << "payload-tool: " << request->exe << (standIns.size() == 1 ? ": row " : ": rows ")
                  << RowList(standIns) << (standIns.size() == 1 ? " carries a stand-in" : " carry stand-ins")
                  << ", and the zip's name says so\n";
    }
    if (exe->image.Directory(kSecurityDirectory).size == 0) {
        std::cout << "payload-tool: " << request->exe
                  << ": not signed; Windows will name an unknown publisher when it asks for elevation\n";
    }
    return 0;
}
