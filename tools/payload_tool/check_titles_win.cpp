#include "tools/payload_tool/check_titles_win.h"

#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <optional>
#include <set>
#include <string>
#include <system_error>
#include <vector>

#include "base/owned_handles_win.h"
#include "shell/tool_catalogue.h"
#include "tools/payload_tool/launcher_image.h"
#include "tools/payload_tool/tool_kinds.h"
#include "tools/payload_tool/tool_packing.h"

namespace {

constexpr DWORD kTitleWaitMs = 10'000;
// CreateProcess's answer for a program whose manifest asks for administrator rights when the caller
// has none (ERROR_ELEVATION_REQUIRED, which MinGW's headers lack).
constexpr DWORD kElevationRequired = 740;
constexpr DWORD kPollMs = 100;
constexpr DWORD kEndWaitMs = 5'000;

std::string SystemReason(DWORD code) {
    return std::system_category().message(static_cast<int>(code)) + " (error " + std::to_string(code) + ")";
}

std::string TitleOf(HWND window) {
    char title[512] = {};
    const int length = GetWindowTextA(window, title, sizeof title);
    return std::string(title, static_cast<size_t>(std::max(length, 0)));
}

BOOL CALLBACK CollectWindow(HWND window, LPARAM windows) {
    reinterpret_cast<std::vector<HWND>*>(windows)->push_back(window);
    return TRUE;
}

std::vector<HWND> TopLevelWindows() {
    std::vector<HWND> windows;
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

// A job whose processes all end when its last handle closes, so that even a payload-tool that is
// killed leaves no tool running.
KernelObject KillingJob() {
    KernelObject job(CreateJobObjectA(nullptr, nullptr));
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (job.Valid() &&
        !SetInformationJobObject(job.Get(), JobObjectExtendedLimitInformation, &limits, sizeof limits))
        job.Reset();
    return job;
}

bool JobIsEmpty(HANDLE job) {
    JOBOBJECT_BASIC_ACCOUNTING_INFORMATION facts{};
    return QueryInformationJobObject(job, JobObjectBasicAccountingInformation, &facts, sizeof facts,
                                     nullptr) &&
           facts.ActiveProcesses == 0;
}

void EndJob(HANDLE job) {
    TerminateJobObject(job, 1);
    const DWORD start = GetTickCount();
    while (!JobIsEmpty(job) && GetTickCount() - start < kEndWaitMs) Sleep(kPollMs);
}

// Starts `path` in `folder` inside `job`: suspended until it is in the job, so that nothing it starts
// escapes. A console program gets a console window of its own, as when the launcher starts it. "" when it
// runs, else the verdict.
std::string StartInJob(const std::string& path, const std::string& folder, PeKind kind, HANDLE job) {
    const bool console = kind == PeKind::Console32 || kind == PeKind::Console64;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOW;
    std::string commandLine = "\"" + path + "\"";
    PROCESS_INFORMATION started{};
    const DWORD flags = CREATE_SUSPENDED | (console ? CREATE_NEW_CONSOLE : 0);
    if (!CreateProcessA(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, flags, nullptr,
                        folder.c_str(), &startup, &started)) {
        const DWORD error = GetLastError();
        if (error == kElevationRequired)
            return "needs administrator rights: run check-titles as administrator";
        if (error == ERROR_BAD_EXE_FORMAT && (kind == PeKind::Program64 || kind == PeKind::Console64))
            return "not started: it is " + std::string(KindPhrase(kind)) + ", and this Windows is 32-bit";
        return "not started: " + SystemReason(error);
    }
    const KernelObject process(started.hProcess);
    const KernelObject thread(started.hThread);
    if (!AssignProcessToJobObject(job, process.Get())) {
        const DWORD error = GetLastError();
        TerminateProcess(process.Get(), 1);
        return "not started: cannot put it into a job: " + SystemReason(error);
    }
    ResumeThread(thread.Get());
    return "";
}

struct Sighting {
    bool found = false;
    std::vector<std::string> titles; // of the new visible windows, and of the one found
};

// Looks at the top-level windows that were not there `before` until one has the title `wanted` (case
// ignored, as FindWindowA compares), kTitleWaitMs pass or the job has no process left.
Sighting WatchForTitle(const std::set<HWND>& before, const std::string& wanted, HANDLE job) {
    Sighting sighting;
    const DWORD start = GetTickCount();
    for (;;) {
        const bool lastLook = JobIsEmpty(job) || GetTickCount() - start >= kTitleWaitMs;
        for (HWND window : TopLevelWindows()) {
            if (before.contains(window)) continue;
            const std::string title = TitleOf(window);
            const bool wantedTitle = lstrcmpiA(title.c_str(), wanted.c_str()) == 0;
            sighting.found = sighting.found || wantedTitle;
            const auto& titles = sighting.titles;
            if (!title.empty() && (wantedTitle || IsWindowVisible(window)) &&
                std::find(titles.begin(), titles.end(), title) == titles.end())
                sighting.titles.push_back(title);
        }
        if (sighting.found || lastLook) return sighting;
        Sleep(kPollMs);
    }
}

std::string Quoted(const std::vector<std::string>& titles) {
    std::string text;
    for (const std::string& title : titles) text += (text.empty() ? "\"" : ", \"") + title + "\"";
    return text.empty() ? "-" : text;
}

// The verdict of one row, "OK" when its title appeared; `seen` receives the titles of the new windows.
std::string CheckRow(const Payloads& payloads, const ToolEntry& row, const std::string& folder,
                     std::vector<std::string>& seen) {
    PayloadImage image;
    PayloadFacts facts;
    const PayloadFault fault = InspectPayload(payloads.store, row.resourceName, image, facts);
    if (fault != PayloadFault::None) return "not a payload: " + std::string(PayloadFaultText(fault));
    std::string error;
    const std::optional<std::string> path = WriteRecordedFile(folder, image, error);
    if (!path) return "not written: " + error;
    const PeKind kind = PeKindOf(image.fileBytes);
    if (!IsProgram(kind))
        return "not started: it is " + std::string(KindPhrase(kind)) + ", which Windows cannot start";
    const KernelObject job = KillingJob();
    if (!job.Valid()) return "not started: no job object: " + SystemReason(GetLastError());

    const std::vector<HWND> windows = TopLevelWindows();
    const std::set<HWND> before(windows.begin(), windows.end());
    const std::string refused = StartInJob(*path, folder, kind, job.Get());
    if (!refused.empty()) return refused;
    const Sighting sighting = WatchForTitle(before, std::string(row.windowTitle), job.Get());
    const bool ended = JobIsEmpty(job.Get());
    EndJob(job.Get());
    seen = sighting.titles;
    if (sighting.found) return "OK";
    if (!seen.empty()) return "title not seen: the launcher would start it again at each press";
    return ended ? "ended without a window"
                 : "no new window within " + std::to_string(kTitleWaitMs / 1000) + " s";
}

// A folder of its own under the temporary folder; "" when none can be made.
std::string MakeScratchFolder() {
    char temporary[MAX_PATH] = {};
    const DWORD length = GetTempPathA(MAX_PATH, temporary);
    if (length == 0 || length >= MAX_PATH) return "";
    const std::string base = std::string(temporary, length) + "payload-tool-check-titles-" +
                             std::to_string(GetCurrentProcessId()) + "-";
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string folder = base + std::to_string(attempt);
        if (CreateDirectoryA(folder.c_str(), nullptr)) return folder;
    }
    return "";
}

// The scratch folder goes once the file of the ended tool is no longer held open.
void RemoveScratchFolder(const std::string& folder) {
    const DWORD start = GetTickCount();
    std::error_code ignored;
    while (std::filesystem::remove_all(folder, ignored) == static_cast<std::uintmax_t>(-1) &&
           GetTickCount() - start < kEndWaitMs)
        Sleep(kPollMs);
}

} // namespace

int CheckTitles(const CommandArgs& args) {
    if (args.size() != 1) return UsageError();
    const std::optional<Executable> exe = LoadExecutable(args[0]);
    if (!exe) return kExitFailure;
    const Payloads payloads = PayloadsOf(exe->image);

    std::cout << "row\ttitle wanted\ttitles seen\tverdict\n" << std::flush;
    int good = 0;
    for (const ToolEntry& row : ToolCatalogue()) {
        const std::string folder = MakeScratchFolder();
        std::vector<std::string> seen;
        const std::string verdict = folder.empty()
                                        ? "not written: no scratch folder under the temporary folder"
                                        : CheckRow(payloads, row, folder, seen);
        good += verdict == "OK" ? 1 : 0;
        std::cout << RowNumber(row) << "\t\"" << row.windowTitle << "\"\t" << Quoted(seen) << '\t' << verdict
                  << "\n"
                  << std::flush;
        if (!folder.empty()) RemoveScratchFolder(folder);
    }
    std::cout << "payload-tool: " << args[0] << ": " << good << " of " << kToolCount
              << " tools show their row's title\n";
    return good == kToolCount ? 0 : kExitFailure;
}
