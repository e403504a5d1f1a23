// payload-tool: packs tool files into payloads for the launcher's resources and checks a built
// launcher's payloads the way the launcher reads them. Every failure is one line on stderr starting
// with "payload-tool: " and a non-zero exit code. Each command is one function here, or in a file of its
// own for the larger ones, and one row of kCommands.
#include <algorithm>
#include <cstdio>
#include <exception>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "payload/payload_format.h"
#include "shell/tool_catalogue.h"
#include "tools/payload_tool/command_line.h"
#include "tools/payload_tool/launcher_image.h"
#include "tools/payload_tool/pe_image.h"
#include "tools/payload_tool/release_command.h"
#include "tools/payload_tool/set_command.h"
#include "tools/payload_tool/tool_cli.h"
#include "tools/payload_tool/tool_files.h"
#include "tools/payload_tool/tool_kinds.h"
#include "tools/payload_tool/tool_packing.h"
#include "tools/payload_tool/tool_versions.h"
#ifdef _WIN32
#include "tools/payload_tool/check_titles_win.h"
#endif

int Fail(const std::string& subject, const std::string& message) {
    std::cerr << "payload-tool: " << subject << ": " << message << "\n";
    return kExitFailure;
}

int UsageError() {
    std::cerr << "usage: payload-tool COMMAND ARGUMENTS... (payload-tool --help lists the commands)\n";
    return kExitUsage;
}

int UsageError(const std::string& problem) {
    std::cerr << "payload-tool: " << problem << "\n";
    return UsageError();
}

namespace {

int Pack(const CommandArgs& args) {
    if (args.size() != 2 && !(args.size() == 4 && args[2] == "--name")) {
        return UsageError();
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

int List(const CommandArgs& args) {
    if (args.size() != 1) {
        return UsageError();
    }
    const std::optional<Executable> exe = LoadExecutable(args[0]);
    if (!exe) return kExitFailure;
    const Payloads payloads = PayloadsOf(exe->image);
    std::cout << "name\tvariant\tstored\trecorded\tfile\ttime\tcrc32\tkind\tstatus\n";
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
        std::cout << (fault == PayloadFault::None ? ToolKindText(ToolKindOf(image.fileBytes)) : "-") << '\t';
        std::cout << (fault == PayloadFault::None ? "OK"
                                                  : "not a payload: " + std::string(PayloadFaultText(fault)))
                  << "\n";
    }
    return 0;
}

int Verify(const CommandArgs& args) {
    if (args.size() != 1) {
        return UsageError();
    }
    const std::string& path = args[0];
    const std::optional<Executable> exe = LoadExecutable(path);
    if (!exe) return kExitFailure;
    const Payloads payloads = PayloadsOf(exe->image);
    int good = 0;
    int standIns = 0;
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
            const ToolKind kind = ToolKindOf(image.fileBytes);
            standIns += kind.standIn ? 1 : 0;
            std::cout << "ok     " << entry.resourceName << ": " << entry.exeFileName << ", "
                      << image.fileBytes.size() << " bytes, " << VariantText(facts.variant) << ", "
                      << (RecordsChecksum(image.record) ? "CRC-32 checked" : "no CRC-32 recorded") << ", "
                      << ToolKindText(kind) << "\n";
        } else {
            std::cout << "FAILED " << entry.resourceName << ": " << problem.str() << "\n";
        }
    }
    // Stand-ins are sound payloads, so they pass; the count keeps a forgotten row from passing unseen.
    std::cout << "payload-tool: " << path << ": " << good << " of " << kToolCount << " payloads OK, "
              << (standIns == 0 ? "no" : std::to_string(standIns))
              << (standIns == 1 ? " stand-in" : " stand-ins") << "\n";
    return good == kToolCount ? 0 : kExitFailure;
}

// extract's NAME: a row as FindRow takes it; anything else is taken as a resource name of its own (an
// executable may carry more payloads).
std::string ResourceNameFor(const std::string& name) {
    const ToolEntry* row = FindRow(name);
    return row != nullptr ? std::string(row->resourceName) : name;
}

int Extract(const CommandArgs& args) {
    if (args.size() != 3) {
        return UsageError();
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
    std::string error;
    const std::optional<std::string> target = WriteRecordedFile(folder, image, error);
    if (!target) return Fail(path, name + ": " + error);
    std::cout << *target << "\n";
    return 0;
}

// A row whose new file the launcher cannot start with a window on every Windows gets a warning line,
// "" for one it can; the distributor may mean it (a 64-bit program for 64-bit systems only), so it is
// packed all the same.
std::string KindWarning(const ToolEntry& row, const std::string& file, std::string_view bytes) {
    const PeKind kind = PeKindOf(bytes);
    if (KindConsequence(kind).empty()) return "";
    return "payload-tool: warning: row " + std::to_string(RowNumber(row)) + " (" +
           std::string(row.exeFileName) + "): " + file + " is " + std::string(KindPhrase(kind)) + ": " +
           std::string(KindConsequence(kind)) + "\n";
}

int Replace(const CommandArgs& args) {
    if (args.empty()) return UsageError();
    std::vector<std::string> items(args.begin() + 1, args.end());
    const auto option = std::find(items.begin(), items.end(), "-o");
    if (option == items.end())
        return UsageError(
            "replace: -o OUT is missing: the repacked launcher goes to a new file, never over EXE");
    if (option + 1 == items.end()) return UsageError("replace: -o needs OUT, the file to write");
    const std::string& launcherPath = args[0];
    const std::string outPath = *(option + 1);
    items.erase(option, option + 2);
    if (items.empty()) return UsageError("replace: no ROW=FILE given");

    std::optional<Executable> exe = LoadExecutable(launcherPath);
    if (!exe) return kExitFailure;
    std::string error;

    std::vector<const ToolEntry*> done;
    std::string warnings; // once the output is written: a failed replace has only its failure to tell
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
        const std::optional<std::string> bytes = ReadWholeFile(file, error);
        if (!bytes) return Fail(file, error);
        const std::optional<std::string> payload =
            PackFileBytes(*bytes, file, std::string(row->exeFileName), error);
        if (!payload) return Fail(file, error);
        warnings += KindWarning(*row, file, *bytes);
        error = PutPayload(exe->image.resources, row->resourceName, *payload);
        if (error.empty())
            error = PutToolVersion(exe->image.resources, row->resourceName, ProgramVersionOf(*bytes));
        if (!error.empty()) return Fail(launcherPath, error);
    }

    PeRewrite rewrite;
    const PeResult written = RewriteResources(exe->file, exe->image, exe->image.resources, rewrite);
    if (written != PeResult::Ok) return Fail(launcherPath, std::string(PeResultText(written)));
    if (!WriteAtomically(outPath, rewrite.image, error)) return Fail(outPath, "cannot write: " + error);
    for (const ToolEntry* row : done)
        std::cout << "replaced " << row->resourceName << " (" << row->exeFileName << ")\n";
    std::cerr << warnings;
    if (rewrite.signatureRemoved) SaySignatureRemoved(outPath);
    return 0;
}

// What a distributor needs to know of each row: how replace names it, and the title by which the
// launcher finds, raises and closes the running tool.
int Rows(const CommandArgs& args) {
    if (!args.empty()) {
        return UsageError();
    }
    std::cout << "row\tfile\tresource\twindow title\n";
    for (size_t row = 0; row < ToolCatalogue().size(); ++row) {
        const ToolEntry& entry = ToolCatalogue()[row];
        std::cout << row + 1 << '\t' << entry.exeFileName << '\t' << entry.resourceName << "\t\""
                  << entry.windowTitle << "\"\n";
    }
    return 0;
}

// What a file is, for the build's table of rows, its warnings and refusals, in one line of four
// tab-separated fields: the kind's word (PeKindWord), "stand-in" or "-", KindPhrase and KindConsequence
// (empty for a 32-bit Windows program).
int Kind(const CommandArgs& args) {
    if (args.size() != 1) {
        return UsageError();
    }
    std::string error;
    const std::optional<std::string> file = ReadWholeFile(args[0], error);
    if (!file) return Fail(args[0], error);
    const ToolKind kind = ToolKindOf(*file);
    std::cout << PeKindWord(kind.kind) << '\t' << (kind.standIn ? "stand-in" : "-") << '\t'
              << KindPhrase(kind.kind) << '\t' << KindConsequence(kind.kind) << "\n";
    return 0;
}

struct Command {
    std::string_view name;
    std::string_view arguments;
    std::string_view summary;
    int (*run)(const CommandArgs& args);
};

int Help(const CommandArgs& args);

// One line each in --help; a new command is one more row.
constexpr Command kCommands[] = {
    {"pack", "FILE OUT [--name NAME]",
     "packs FILE into the payload OUT, recorded as NAME (default: FILE's name)", Pack},
    {"list", "EXE",
     "lists every RCDATA resource of EXE with what the launcher would read from it and what the file is",
     List},
    {"verify", "EXE",
     "checks the five tools' payloads of EXE as the launcher reads them and counts the stand-ins; exit 0 "
     "when all are good",
     Verify},
    {"extract", "EXE TOOL DIR",
     "writes a tool's file from EXE into DIR (made when missing) with its recorded times and attributes; "
     "TOOL is a row number 1-5, a file name or a resource name",
     Extract},
    {"replace", "EXE ROW=FILE... -o OUT",
     "writes OUT: EXE with each ROW's tool packed from FILE (ROW as extract's TOOL); sign OUT after",
     Replace},
    {"release", "EXE -o DIR [--liesmich FILE] [--kit FILE]...",
     "writes the release folder DIR: EXE's zip with LIESMICH.txt (FILE, else the built-in one for EXE's "
     "tool-update choice) and "
     "SHA256SUMS; --kit adds a kit zip of the FILEs",
     Release},
    {"set", "EXE KEY=VALUE... -o OUT",
     "writes OUT: EXE with other facts (version, company, copyright, home-page, date, update-tools; @FILE "
     "for lines of them); sign OUT after. set --check KEY=VALUE... only checks the values",
     Set},
    {"rows", "", "lists each row's number, file name, resource name and the window title it must have", Rows},
    {"kind", "FILE",
     "prints what FILE is (program32, console32, program64, console64, dll32, dll64 or other), whether it "
     "is a stand-in, and what the launcher's row does with it, tab-separated",
     Kind},
#ifdef _WIN32
    {"check-titles", "EXE",
     "starts each of EXE's tools and checks that a window with its row's title appears; exit 0 when all do",
     CheckTitles},
#endif
    {"version", "FILE [OUT]",
     "prints FILE's file version (A.B.C.D, or none); OUT: the record the build puts beside its payload",
     VersionCommand},
    {"--help", "", "prints this list", Help},
};

int Help(const CommandArgs&) {
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
    const std::vector<std::string> arguments = CommandLineArguments(argc, argv);
    const std::string name = arguments.empty() ? "" : arguments.front();
    const std::vector<std::string> args(arguments.begin() + (arguments.empty() ? 0 : 1), arguments.end());
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
    return UsageError();
}
