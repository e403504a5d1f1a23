// Ratio and speed of the LZNT1 codec on real PE executables, beside memcpy and libfwnt's decoder.
//
//   codec_bench [EXTRA_FILE...]
//
// The corpus is the first 20 PE files of 80 to 600 KiB in Wine's 32-bit library folder (names in
// byte order), plus any files given. Every file is coded on its own; speeds count uncompressed bytes
// per second (MB = 10^6 bytes) of the thread's CPU time, best of several rounds, so that other
// work on a shared machine disturbs the figures less; the row for the packer's way (the optimal
// parse with every processor helping) counts wall-clock time instead.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <thread>
#include <time.h>
#include <vector>

#include "payload/lznt1_decoder.h"
#include "payload/lznt1_encoder.h"
#include "payload/lznt1_parallel.h"

#ifdef FUNKELIS_HAVE_LIBFWNT
#include <libfwnt.h>
#endif

namespace {

namespace fs = std::filesystem;

using Bytes = std::vector<uint8_t>;

constexpr const char* kCorpusFolder = "/usr/lib/i386-linux-gnu/wine/i386-windows";
constexpr size_t kCorpusFiles = 20;
constexpr uintmax_t kMinSize = 80 * 1024;
constexpr uintmax_t kMaxSize = 600 * 1024;
constexpr int kDecodeRounds = 15;
constexpr int kEncodeRounds = 7;

struct Sample {
    std::string name;
    Bytes data;
    Bytes greedy;
    Bytes optimal;
};

Bytes ReadFile(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

bool IsPe(const Bytes& data) {
    if (data.size() < 0x40 || data[0] != 'M' || data[1] != 'Z') return false;
    uint32_t peAt = 0;
    std::memcpy(&peAt, data.data() + 0x3C, 4);
    return peAt + 4 <= data.size() && std::memcmp(data.data() + peAt, "PE\0\0", 4) == 0;
}

std::vector<Sample> LoadCorpus(int argc, char** argv) {
    std::vector<fs::path> names;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(kCorpusFolder, error))
        if (entry.is_regular_file()) names.push_back(entry.path());
    std::sort(names.begin(), names.end(), [](const fs::path& a, const fs::path& b) {
        return a.filename().string() < b.filename().string();
    });
    std::vector<Sample> corpus;
    for (const auto& path : names) {
        if (corpus.size() == kCorpusFiles) break;
        const uintmax_t size = fs::file_size(path, error);
        if (error || size < kMinSize || size > kMaxSize) continue;
        Bytes data = ReadFile(path);
        if (IsPe(data)) corpus.push_back({path.filename().string(), std::move(data), {}, {}});
    }
    for (int i = 1; i < argc; ++i) {
        Bytes data = ReadFile(argv[i]);
        if (data.empty()) {
            std::fprintf(
                stderr,
                "codec_bench: %s is missing, unreadable or empty\nusage: codec_bench [EXTRA_FILE...]\n",
                argv[i]);
            std::exit(2);
        }
        corpus.push_back({argv[i], std::move(data), {}, {}});
    }
    return corpus;
}

double ThreadSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

double WallSeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

double BestSeconds(int rounds, const std::function<void()>& work, double (*clock)() = ThreadSeconds) {
    double best = 1e30;
    for (int round = 0; round < rounds; ++round) {
        const double start = clock();
        work();
        best = std::min(best, clock() - start);
    }
    return best;
}

Bytes Encode(const Bytes& data, Lznt1Parse parse) {
    Bytes stream(Lznt1EncodeBound(data.size()));
    const Lznt1Result result =
        Lznt1EncodeBuffer(data.data(), data.size(), stream.data(), stream.size(), parse);
    stream.resize(result.status == Lznt1Status::Ok ? result.size : 0);
    return stream;
}

// The packer's way: the host compression service shares a large input's chunks among the processors.
size_t EncodeOnAllProcessors(const Bytes& data) {
    Bytes stream(Lznt1EncodeBound(data.size()));
    const Lznt1Result result =
        Lznt1EncodeParallel(data.data(), data.size(), stream.data(), stream.size(), Lznt1Parse::Optimal, 0);
    return result.status == Lznt1Status::Ok ? result.size : 0;
}

bool OwnDecode(const Bytes& stream, Bytes& out) {
    const Lznt1Result result = Lznt1DecodeBuffer(stream.data(), stream.size(), out.data(), out.size());
    return result.status == Lznt1Status::Ok && result.size == out.size();
}

#ifdef FUNKELIS_HAVE_LIBFWNT
bool FwntDecode(const Bytes& stream, Bytes& out) {
    size_t size = out.size();
    return libfwnt_lznt1_decompress(stream.data(), stream.size(), out.data(), &size, nullptr) == 1 &&
           size == out.size();
}
#endif

void PrintRow(const char* method, double ratio, double compressMBs, double decompressMBs) {
    char ratioText[16] = "-";
    char compressText[16] = "-";
    if (ratio >= 0) std::snprintf(ratioText, sizeof ratioText, "%.2f%%", ratio * 100);
    if (compressMBs >= 0) std::snprintf(compressText, sizeof compressText, "%.1f", compressMBs);
    std::printf("%-26s %10s %16s %18.1f\n", method, ratioText, compressText, decompressMBs);
}

} // namespace

int main(int argc, char** argv) {
    std::vector<Sample> corpus = LoadCorpus(argc, argv);
    size_t total = 0;
    for (const auto& sample : corpus) total += sample.data.size();
    if (total == 0) {
        std::fprintf(stderr, "codec_bench: no corpus files found in %s\n", kCorpusFolder);
        return 1;
    }
    std::printf("corpus: %zu files, %zu bytes\n", corpus.size(), total);

    const auto encodeAll = [&](Lznt1Parse parse, bool keepGreedy) {
        for (auto& sample : corpus)
            (keepGreedy ? sample.greedy : sample.optimal) = Encode(sample.data, parse);
    };
    const double greedySeconds = BestSeconds(kEncodeRounds, [&] { encodeAll(Lznt1Parse::Greedy, true); });
    const double optimalSeconds = BestSeconds(kEncodeRounds, [&] { encodeAll(Lznt1Parse::Optimal, false); });
    size_t greedySize = 0;
    size_t optimalSize = 0;
    for (const auto& sample : corpus) {
        greedySize += sample.greedy.size();
        optimalSize += sample.optimal.size();
    }

    std::vector<Bytes> outputs;
    for (const auto& sample : corpus) outputs.emplace_back(sample.data.size());
    bool allDecoded = true;
    const auto decodeAll = [&](const std::function<bool(const Bytes&, Bytes&)>& decode) {
        for (size_t i = 0; i < corpus.size(); ++i) allDecoded &= decode(corpus[i].optimal, outputs[i]);
    };
    const double memcpySeconds = BestSeconds(kDecodeRounds, [&] {
        for (size_t i = 0; i < corpus.size(); ++i)
            std::memcpy(outputs[i].data(), corpus[i].data.data(), corpus[i].data.size());
    });
    const double ownSeconds = BestSeconds(kDecodeRounds, [&] { decodeAll(OwnDecode); });
    for (size_t i = 0; i < corpus.size(); ++i) allDecoded &= outputs[i] == corpus[i].data;

    const double megabytes = static_cast<double>(total) / 1e6;
    const double all = static_cast<double>(total);
    std::printf("%-26s %10s %16s %18s\n", "method", "ratio", "compress MB/s", "decompress MB/s");
    PrintRow("memcpy", 1.0, -1, megabytes / memcpySeconds);
    PrintRow("lznt1 decoder (ours)", static_cast<double>(optimalSize) / all, -1, megabytes / ownSeconds);
#ifdef FUNKELIS_HAVE_LIBFWNT
    const double fwntSeconds = BestSeconds(kDecodeRounds, [&] { decodeAll(FwntDecode); });
    PrintRow("libfwnt decoder", static_cast<double>(optimalSize) / all, -1, megabytes / fwntSeconds);
    std::printf("decoder speed-up over libfwnt: %.2fx\n", fwntSeconds / ownSeconds);
#endif
    PrintRow("lznt1 encoder, greedy", static_cast<double>(greedySize) / all, megabytes / greedySeconds,
             megabytes / ownSeconds);
    PrintRow("lznt1 encoder, optimal", static_cast<double>(optimalSize) / all, megabytes / optimalSeconds,
             megabytes / ownSeconds);
    size_t parallelSize = 0;
    const double parallelSeconds = BestSeconds(
        kEncodeRounds,
        [&] {
            parallelSize = 0;
            for (const auto& sample : corpus) parallelSize += EncodeOnAllProcessors(sample.data);
        },
        WallSeconds);
    char parallelMethod[48];
    std::snprintf(parallelMethod, sizeof parallelMethod, "  same, %u threads, wall",
                  std::max(1u, std::thread::hardware_concurrency()));
    PrintRow(parallelMethod, static_cast<double>(parallelSize) / all, megabytes / parallelSeconds,
             megabytes / ownSeconds);
    allDecoded &= parallelSize == optimalSize;
    std::printf("optimal vs greedy: %.2f%% smaller (%zu vs %zu bytes)\n",
                100.0 * (1.0 - static_cast<double>(optimalSize) / static_cast<double>(greedySize)),
                optimalSize, greedySize);
    if (!allDecoded) {
        std::fprintf(stderr, "codec_bench: a stream did not decode to its input\n");
        return 1;
    }
    return 0;
}
