#include "tools/payload_tool/set_command.h"

#include <algorithm>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "settings/program_facts.h"
#include "tools/payload_tool/launcher_facts.h"
#include "tools/payload_tool/launcher_image.h"
#include "tools/payload_tool/tool_files.h"

namespace {

// `item` for a message of one line: a control character as \xNN.
std::string Printable(const std::string& item) {
    std::string text;
    for (const char c : item) {
        if (static_cast<unsigned char>(c) >= 0x20 && c != 0x7F) {
            text += c;
            continue;
        }
        constexpr char kHex[] = "0123456789ABCDEF";
        text += {'\\', 'x', kHex[(c >> 4) & 0xF], kHex[c & 0xF]};
    }
    return text;
}

// The KEY=VALUE items of the command line, @FILE items read; false after reporting a file that cannot be
// read.
bool ExpandItems(const std::vector<std::string>& arguments, std::vector<std::string>& items) {
    for (const std::string& argument : arguments) {
        if (!argument.starts_with("@")) {
            items.push_back(argument);
            continue;
        }
        std::string error;
        std::optional<std::string> text = ReadWholeFile(argument.substr(1), error);
        if (!text) {
            Fail(argument.substr(1), error);
            return false;
        }
        if (text->starts_with("\xEF\xBB\xBF")) text->erase(0, 3);
        for (size_t start = 0; start < text->size();) {
            const size_t end = std::min(text->find('\n', start), text->size());
            std::string line = text->substr(start, end - start);
            if (line.ends_with('\r')) line.pop_back();
            if (!line.empty()) items.push_back(line);
            start = end + 1;
        }
    }
    return true;
}

// The given facts; every bad item is reported, and then nullopt.
std::optional<FactValues> ParseFacts(const std::vector<std::string>& items) {
    FactValues given;
    bool good = true;
    for (const std::string& item : items) {
        const size_t equals = item.find('=');
        const std::optional<FactKey> key =
            equals == std::string::npos ? std::nullopt : FactKeyNamed(item.substr(0, equals));
        std::string problem;
        if (equals == std::string::npos) {
            problem = "not KEY=VALUE";
        } else if (!key) {
            problem = "no such key; the keys are";
            for (const std::string_view name : kFactNames) problem += " " + std::string(name);
        } else if (given[static_cast<size_t>(*key)]) {
            problem = "the key is given twice";
        } else {
            given[static_cast<size_t>(*key)] = item.substr(equals + 1);
            problem = FactProblem(*key, item.substr(equals + 1));
        }
        if (!problem.empty()) {
            Fail(Printable(item), problem);
            good = false;
        }
    }
    if (!good) return std::nullopt;
    return given;
}

// What `exe` carries, with `given` in place of its own; nullopt after saying which facts it lacks.
std::optional<FactValues> MergeFacts(const std::string& exePath, const PeResourceTree& tree,
                                     const FactValues& given) {
    FactValues facts = ReadLauncherFacts(tree);
    bool complete = true;
    for (size_t i = 0; i < kFactCount; ++i) {
        if (given[i]) facts[i] = given[i];
        const auto key = static_cast<FactKey>(i);
        if (facts[i]) continue;
        if (key == FactKey::Company || key == FactKey::Copyright) {
            facts[i] = "";
        } else if (key == FactKey::UpdateTools) {
            facts[i] = kToolUpdatesOff;
        } else {
            Fail(exePath,
                 "carries no " + std::string(FactName(key)) + "; give " + std::string(FactName(key)) + "=");
            complete = false;
        }
    }
    if (!complete) return std::nullopt;
    return facts;
}

} // namespace

int Set(const CommandArgs& args) {
    const bool checkOnly = !args.empty() && args[0] == "--check";
    const size_t itemsEnd = checkOnly ? args.size() : args.size() - 2;
    if (args.size() < 2 || (!checkOnly && (args.size() < 4 || args[itemsEnd] != "-o"))) return UsageError();
    const std::string& exePath = args[0];
    std::vector<std::string> items;
    if (!ExpandItems({args.begin() + 1, args.begin() + static_cast<std::ptrdiff_t>(itemsEnd)}, items))
        return kExitFailure;
    const std::optional<FactValues> given = ParseFacts(items);
    if (!given) return kExitFailure;
    if (const auto& url = (*given)[static_cast<size_t>(FactKey::HomePage)]) {
        const std::string warning = HomePageWarning(*url);
        if (!warning.empty())
            std::cout << "payload-tool: home-page=" << *url << ": warning: " << warning << "\n";
    }
    if (checkOnly) return 0;

    const std::string& outPath = args.back();
    std::optional<Executable> exe = LoadExecutable(exePath);
    if (!exe) return kExitFailure;
    const std::optional<FactValues> facts = MergeFacts(exePath, exe->image.resources, *given);
    if (!facts) return kExitFailure;
    const std::string problem = WriteLauncherFacts(exe->image.resources, *facts);
    if (!problem.empty()) return Fail(exePath, problem);

    PeRewrite rewrite;
    const PeResult written = RewriteResources(exe->file, exe->image, exe->image.resources, rewrite);
    if (written != PeResult::Ok) return Fail(exePath, std::string(PeResultText(written)));
    std::string error;
    if (!WriteAtomically(outPath, rewrite.image, error)) return Fail(outPath, "cannot write: " + error);
    for (size_t i = 0; i < kFactCount; ++i) std::cout << kFactNames[i] << "=" << *(*facts)[i] << "\n";
    if (rewrite.signatureRemoved) SaySignatureRemoved(outPath);
    return 0;
}
