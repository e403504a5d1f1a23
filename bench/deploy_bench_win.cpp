// Figures for deploying one tool, without the process start and window around it (not a test): the
// time from DeployPayloadFrom's call, as the click's command makes it, to its return with the tool's
// file written, its attributes and times set and looked up, into a fresh temporary folder. Beside it
// the share of that spent reading and decoding the payload (ReadPayload) before anything is written, and
// the update check that a press on the tool makes once its file is there (UpdateToolFrom with the carried
// version equal to the file's: the file's version resource is read, the payload is not decoded).
//
// Payloads come from payload files as payload-tool pack writes them: row 1's packed by this build
// (a stand-in unless the tree packs a real tool), and any named on the command line, e.g. a large
// tool's from a tree configured with -DFUNKELIS_TOOL_MARVOLT=FILE. They are held in a memory store
// under row 1's resource name; the launcher reads the same bytes from its own image.
//
//   scripts/wine-run build/win32/bench/deploy_bench.exe [PAYLOAD.bin...]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "bench/bench_clock_win.h"
#include "driver/launcher_harness_win.h"
#include "payload/deploy_win.h"
#include "payload/payload_format.h"
#include "payload/resource_store.h"
#include "payload/tool_update_win.h"
#include "shell/tool_catalogue.h"
#include "tests/test_files.h"

namespace {

constexpr int kRounds = 9;

std::string ReadWhole(const std::string& path) { return ReadWholeFile(path).value_or(""); }

// A fresh folder under the temporary folder, ending with a backslash, holding one entry: deployment
// sends the file to the current folder when its target folder is empty.
class BenchFolder {
  public:
    BenchFolder() {
        char temp[MAX_PATH];
        if (GetTempPathA(MAX_PATH, temp) == 0) return;
        const std::string folder =
            std::string(temp) + "funkelis-deploy-bench-" + std::to_string(GetCurrentProcessId());
        if (!CreateDirectoryA(folder.c_str(), nullptr)) return;
        folder_ = folder + "\\";
        std::ofstream(folder_ + kMarker) << "keeps the folder non-empty\n";
    }
    ~BenchFolder() {
        if (folder_.empty()) return;
        DeleteFileA((folder_ + kMarker).c_str());
        RemoveDirectoryA(folder_.c_str());
    }
    BenchFolder(const BenchFolder&) = delete;
    BenchFolder& operator=(const BenchFolder&) = delete;

    const std::string& Path() const { return folder_; }

  private:
    static constexpr const char* kMarker = "marker.txt";
    std::string folder_;
};

void RemoveTool(const std::string& path) {
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(path.c_str());
}

// One payload file: deploys it kRounds times and prints the figures; false when it does not deploy.
bool MeasurePayload(const std::string& payloadFile, const std::string& folder) {
    const std::string resourceName(ToolCatalogue()[0].resourceName);
    MemoryResourceStore store;
    store.Add(resourceName, ReadWhole(ToWindowsPath(payloadFile)));
    const size_t packedSize = store.Find(resourceName)->size();
    PayloadImage image;
    if (!ReadPayload(store, resourceName, image)) {
        std::printf("%s: not a payload (%zu bytes)\n", payloadFile.c_str(), packedSize);
        return false;
    }
    const std::string target = folder + image.record.cFileName;

    std::vector<double> deploy, decode;
    for (int round = 0; round < kRounds; ++round) {
        RemoveTool(target);
        const double start = NowMs();
        const int32_t result = DeployPayloadFrom(store, resourceName, folder);
        deploy.push_back(NowMs() - start);
        if (result != 1 || (round == 0 && ReadWhole(target) != image.fileBytes)) {
            std::printf("%s: deployment failed or wrote other bytes\n", payloadFile.c_str());
            RemoveTool(target);
            return false;
        }
        PayloadImage decoded;
        const double decodeStart = NowMs();
        ReadPayload(store, resourceName, decoded);
        decode.push_back(NowMs() - decodeStart);
    }
    // A press on a present tool that is current: the carried version equals the file's, so nothing is
    // decoded or written, and the whole cost is reading the file's version resource.
    const std::optional<FileVersion> version = ProgramFileVersion(target);
    std::vector<double> check;
    for (int round = 0; round < kRounds && version; ++round) {
        const double start = NowMs();
        const int32_t replaced = UpdateToolFrom(store, resourceName, version, target);
        check.push_back(NowMs() - start);
        if (replaced != 0) check.back() = -1;
    }
    RemoveTool(target);

    const Spread whole = SpreadOf(deploy);
    const Spread reading = SpreadOf(decode);
    const double megabytes = static_cast<double>(image.fileBytes.size()) / 1e6;
    std::printf("%s: %s, %zu bytes from %zu packed; %d rounds\n", payloadFile.c_str(),
                image.record.cFileName.c_str(), image.fileBytes.size(), packedSize, kRounds);
    std::printf("  deploy (call to file with attributes and times): median %.2f ms, min %.2f, max %.2f "
                "(%.0f MB/s at the median)\n",
                whole.median, whole.min, whole.max, megabytes / (whole.median / 1000.0));
    std::printf("  of which reading and decoding the payload:       median %.2f ms, min %.2f, max %.2f\n",
                reading.median, reading.min, reading.max);
    const Spread updateCheck = SpreadOf(check);
    if (!version) {
        std::printf("  update check: the file has no version resource, so it is never replaced\n");
    } else {
        std::printf(
            "  update check of the present, current tool (%s): median %.3f ms, min %.3f, max %.3f%s\n",
            VersionText(*version).c_str(), updateCheck.median, updateCheck.min, updateCheck.max,
            updateCheck.min < 0 ? " (it was replaced: the check is wrong)" : "");
    }
    std::fflush(stdout);
    return true;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> payloads{std::string(FUNKELIS_PAYLOAD_DIR) + "/Marvolt.bin"};
    payloads.insert(payloads.end(), argv + 1, argv + argc);
    const BenchFolder folder;
    if (folder.Path().empty()) {
        std::printf("deploy_bench: cannot create a folder under the temporary folder\n");
        return 1;
    }
    bool allDeployed = true;
    for (const std::string& payload : payloads)
        allDeployed = MeasurePayload(payload, folder.Path()) && allDeployed;
    return allDeployed ? 0 : 1;
}
