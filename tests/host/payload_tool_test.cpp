// payload-tool as the build uses it: pack records what the launcher needs, verify passes exactly when
// all five catalogue payloads read back under their file names, and bad input ends in one clear line.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <sys/stat.h>
#include <sys/wait.h>
#include <tuple>
#include <unistd.h>

#include "payload/crc32.h"
#include "payload/payload_format.h"
#include "payload/payload_pack.h"
#include "payload/tool_version.h"
#include "resources/resource_ids.h"
#include "settings/program_facts.h"
#include "shell/tool_catalogue.h"
#include "tests/host/test_pe_image.h"
#include "tests/test_files.h"
#include "tools/payload_tool/pe_image.h"

namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

// 2009-12-10 00:00 UTC in 100 ns steps since 1601, and in seconds since 1970.
constexpr uint64_t kRecordedTime = 129048768000000000ull;
constexpr time_t kRecordedPosixTime = 1260403200;

std::string ReadFile(const fs::path& path) { return ReadWholeFile(path.string()).value_or(""); }

// `text` as one shell word.
std::string Quoted(const std::string& text) {
    std::string quoted = "'";
    for (const char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// The bytes of resource `name` of `type` in the PE file `file`, or "".
std::string ResourceBytes(const std::string& file, uint32_t type, uint32_t name) {
    PeImage image;
    if (ReadPeImage(file, image) != PeResult::Ok) return "";
    const PeResourceType* found = FindResourceType(image.resources, type);
    for (const PeResourceName& entry : found != nullptr ? found->names : std::vector<PeResourceName>{}) {
        if (!entry.id.named && entry.id.number == name) return entry.languages.front().bytes;
    }
    return "";
}

// The record in the trailer of the payload file `path`.
FindDataRecord RecordIn(const std::string& path) {
    const std::string payload = ReadFile(path);
    const auto trailer =
        DecodePayloadTrailer(payload.substr(payload.size() - std::min<size_t>(payload.size(), 322)));
    return trailer ? trailer->record : FindDataRecord{};
}

// Whether `text` holds `part`; shows `text` when not.
testing::AssertionResult Holds(const std::string& text, const std::string& part) {
    if (text.find(part) != std::string::npos) return testing::AssertionSuccess();
    return testing::AssertionFailure() << "no \"" << part << "\" in:\n" << text;
}

void WriteFile(const fs::path& path, std::string_view bytes) {
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

class PayloadToolTest : public testing::Test {
  protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() / ("payload_tool_test_" + std::to_string(::getpid()) + "_" +
                                               testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder_);
        fs::create_directories(folder_);
    }
    void TearDown() override { fs::remove_all(folder_); }

    // Runs payload-tool with `arguments` (shell words); keeps stdout and stderr. Returns the exit code.
    int Run(const std::string& arguments, const std::string& environment = "") {
        const std::string command = environment + " " + FUNKELIS_PAYLOAD_TOOL + " " + arguments + " >" +
                                    (folder_ / "out").string() + " 2>" + (folder_ / "err").string();
        const int status = std::system(command.c_str());
        out_ = ReadFile(folder_ / "out");
        err_ = ReadFile(folder_ / "err");
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    std::string Path(const std::string& name) const { return (folder_ / name).string(); }

    // Launcher() with the manifest that launcher.rc gives, and none of the facts yet.
    std::string LauncherWithManifest() {
        const std::string path = Launcher();
        const std::string file = ReadFile(path);
        PeImage image;
        EXPECT_EQ(ReadPeImage(file, image), PeResult::Ok);
        const std::string manifest = "<assembly><assemblyIdentity name='L' version=\"0.0.0.0\"/></assembly>";
        image.resources.types.push_back(
            {{false, kRtManifest, {}}, {}, {{{false, 1, {}}, {}, {{{false, 0x407, {}}, 0, 0, manifest}}}}});
        PeRewrite rewrite;
        EXPECT_EQ(RewriteResources(file, image, image.resources, rewrite), PeResult::Ok);
        WriteFile(path, rewrite.image);
        return path;
    }

    // An executable carrying the five catalogue payloads, recorded as written on 2009-12-10. The row of
    // resource `row` records `recordedName` (when given) instead of its file name, or is left out with
    // `dropRow`, or has its first file byte flipped in the stream (a literal, so it still decodes to its
    // size) with `damageRow`, and carries `file` (when given) with `attributes`.
    std::string Launcher(const std::string& row = "", const std::string& recordedName = "",
                         bool dropRow = false, bool damageRow = false, const std::string& file = "",
                         uint32_t attributes = kFileAttributeArchive) {
        std::vector<std::pair<std::string, std::string>> resources;
        for (const ToolEntry& entry : ToolCatalogue()) {
            const bool changed = entry.resourceName == row;
            if (changed && dropRow) continue;
            const std::string bytes =
                changed && !file.empty()
                    ? file
                    : "stand-in for " + std::string(entry.exeFileName) + std::string(3000, 'x');
            FindDataRecord record;
            record.dwFileAttributes = changed ? attributes : kFileAttributeArchive;
            record.ftLastWriteTime = kRecordedTime;
            record.nFileSizeLow = static_cast<uint32_t>(bytes.size());
            record.cFileName =
                changed && !recordedName.empty() ? recordedName : std::string(entry.exeFileName);
            std::string upper(entry.resourceName);
            for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            std::string payload = MakeCompressedPayload(bytes, record);
            if (changed && damageRow) payload[3] ^= 1; // after the chunk header and the first flag byte
            resources.emplace_back(upper, payload);
        }
        resources.emplace_back("#7", "numbered");
        const std::string path = Path("FunkelisTools.exe");
        WriteFile(path, TestPe(resources).image);
        return path;
    }

    fs::path folder_;
    std::string out_;
    std::string err_;
};

TEST_F(PayloadToolTest, PackRecordsNameSizeArchiveBitAndTheReproducibleTime) {
    const std::string file(5000, 'q');
    WriteFile(Path("standin.exe"), file);
    ASSERT_EQ(Run("pack " + Path("standin.exe") + " " + Path("p.bin") + " --name Marvolt.exe",
                  "SOURCE_DATE_EPOCH=1260403200"),
              0)
        << err_;
    MemoryResourceStore store;
    store.Add("MARVOLT_EXE_V2106_BIN_WFD_NTC", ReadFile(Path("p.bin")));
    PayloadImage image;
    ASSERT_TRUE(ReadPayload(store, "Marvolt_exe_V2106_BIN_WFD_NTC", image));
    EXPECT_EQ(image.fileBytes, file);
    EXPECT_EQ(image.record.cFileName, "Marvolt.exe");
    EXPECT_EQ(image.record.dwFileAttributes, 0x20u);
    EXPECT_EQ(image.record.ftLastWriteTime, kRecordedTime);
    EXPECT_EQ(image.record.ftCreationTime, image.record.ftLastWriteTime);
    EXPECT_EQ(image.record.ftLastAccessTime, image.record.ftLastWriteTime);
    EXPECT_EQ(image.record.cAlternateFileName, "");

    // Fault: every tool recorded the build's epoch, not its own older time (2020-06-01); a stand-in, which
    // the build makes, records the epoch (2023-11-14 22:13:20) whatever its own. Unnamed: its file name.
    const timespec june2020[2] = {{1590969600, 0}, {1590969600, 0}};
    for (const uint64_t recorded : {132354432000000000ull, 133444736000000000ull}) {
        if (recorded == 133444736000000000ull)
            WriteFile(Path("standin.exe"), TestPe({{"FUNKELIS_STAND_IN", "stand-in"s}}).image);
        ASSERT_EQ(::utimensat(AT_FDCWD, Path("standin.exe").c_str(), june2020, 0), 0);
        ASSERT_EQ(Run("pack " + Path("standin.exe") + " " + Path("p.bin"), "SOURCE_DATE_EPOCH=1700000000"),
                  0);
        EXPECT_EQ(RecordIn(Path("p.bin")).ftLastWriteTime, recorded);
        EXPECT_EQ(RecordIn(Path("p.bin")).cFileName, "standin.exe");
    }
}

// Fault: the time went through nanoseconds since 1970 in 64 bits, so a file of 1601-01-02 was recorded
// as 2185-07-22, and one after 2262 could not be packed. Only a tmpfs keeps such times (ext4 stops at 1901).
TEST_F(PayloadToolTest, PackRecordsEveryTimeAFileTimeHoldsAndRefusesOneBefore1601) {
    const char* disk = std::getenv("FUNKELIS_TIME_DISK");
    if (disk == nullptr || !fs::exists(disk))
        GTEST_SKIP() << "no tmpfs mounted (needs root): old times untested";
    const std::string tool = std::string(disk) + "/tool.exe";
    WriteFile(tool, "MZ");
    const auto packAt = [&](int64_t seconds, long nanoseconds) {
        const timespec times[2] = {{seconds, nanoseconds}, {seconds, nanoseconds}};
        EXPECT_EQ(utimensat(AT_FDCWD, tool.c_str(), times, 0), 0) << seconds;
        return Run("pack " + tool + " " + Path("p.bin"));
    };
    // 1601-01-01, 1601-01-02 plus 599 ns, 2300-01-01 plus 123456789 ns, the last FILETIME.
    for (const auto& [seconds, nanoseconds, recorded] : {std::tuple{-11644473600, 0L, 0ull},
                                                         {-11644387200, 599L, 864000000005ull},
                                                         {10413792000, 123456789L, 220582656001234567ull},
                                                         {1833029933770, 955161599L, ~0ull}}) {
        ASSERT_EQ(packAt(seconds, nanoseconds), 0) << err_;
        EXPECT_EQ(RecordIn(Path("p.bin")).ftLastWriteTime, recorded);
    }
    EXPECT_EQ(packAt(-11644473601, 999999999), 1);
    EXPECT_EQ(err_,
              "payload-tool: " + tool + ": last written before 1601, earlier than a FILETIME can hold\n");
}

TEST_F(PayloadToolTest, PackRefusesWhatCannotBecomeAPayload) {
    WriteFile(Path("empty.exe"), "");
    WriteFile(Path("tool.exe"), "MZ");
    EXPECT_EQ(Run("pack " + Path("empty.exe") + " " + Path("p.bin")), 1);
    EXPECT_NE(err_.find("payload-tool: "), std::string::npos);
    EXPECT_EQ(Run("pack " + Path("missing.exe") + " " + Path("p.bin")), 1);
    EXPECT_EQ(Run("pack " + Path("tool.exe") + " " + Path("p.bin") + " --name ../Marvolt.exe"), 1);
    EXPECT_EQ(Run("pack " + Path("tool.exe") + " " + Path("p.bin"), "SOURCE_DATE_EPOCH=yesterday"), 1);
    EXPECT_FALSE(fs::exists(Path("p.bin")));
    EXPECT_EQ(Run("pack " + Path("tool.exe")), 2);
}

// These once packed fine, and the launcher then refused or renamed the file and never wrote the tool.
TEST_F(PayloadToolTest, PackRefusesNamesTheLauncherWouldNotWriteUnchanged) {
    WriteFile(Path("tool.exe"), "MZ");
    const std::string pack = "pack " + Path("tool.exe") + " " + Path("p.bin") + " --name ";
    for (const std::string name : {"...", "To?l.exe", "Tool.exe ", ". .", "Tool.exe:stream"}) {
        EXPECT_EQ(Run(pack + "'" + name + "'"), 1) << name;
        EXPECT_EQ(std::count(err_.begin(), err_.end(), '\n'), 1) << err_;
        EXPECT_NE(err_.find("that the launcher writes unchanged"), std::string::npos) << err_;
    }
    EXPECT_FALSE(fs::exists(Path("p.bin")));
    EXPECT_EQ(Run(pack + "'Tool v2.exe'"), 0) << err_;
}

TEST_F(PayloadToolTest, VerifyPassesOnlyWhenAllFiveRowsReadBackUnderTheirNames) {
    ASSERT_EQ(Run("verify " + Launcher()), 0) << out_ << err_;
    EXPECT_TRUE(Holds(out_, ": 5 of 5 payloads OK, no stand-ins\n"));
    EXPECT_EQ(Run("verify " + Launcher("Stavnik_exe_V2103_BIN_WFD_NTC", "Stavnik2.exe")), 1);
    EXPECT_TRUE(Holds(out_, "FAILED Stavnik_exe_V2103_BIN_WFD_NTC: records \"Stavnik2.exe\""));
    EXPECT_TRUE(Holds(out_, ": 4 of 5 payloads OK, no stand-ins\n"));
    EXPECT_EQ(Run("verify " + Launcher("Pellory_exe_V2102_BIN_WFD_NTC", "", true)), 1);
    EXPECT_TRUE(Holds(out_, "FAILED Pellory_exe_V2102_BIN_WFD_NTC: no RT_RCDATA resource"));
    // A damaged stream of the right size once passed as OK.
    EXPECT_EQ(Run("verify " + Launcher("Cindrel_exe_V2106_BIN_WFD_NTC", "", false, true)), 1);
    EXPECT_TRUE(
        Holds(out_, "FAILED Cindrel_exe_V2106_BIN_WFD_NTC: the file bytes do not match the recorded"));
    // Fault: a stand-in left in row 5 passed as OK, and the guide's success check with it.
    const std::string standIn = TestPe({{"FUNKELIS_STAND_IN", "marker"s}}).image;
    ASSERT_EQ(Run("verify " + Launcher("Pellory_exe_V2102_BIN_WFD_NTC", "", false, false, standIn)), 0);
    EXPECT_TRUE(Holds(out_, "CRC-32 checked, a 32-bit Windows program, a stand-in\n"));
    EXPECT_TRUE(Holds(out_, ": 5 of 5 payloads OK, 1 stand-in\n"));
}

TEST_F(PayloadToolTest, ListShowsEveryRcDataResourceWithItsVerdict) {
    ASSERT_EQ(Run("list " + Launcher()), 0) << err_;
    EXPECT_TRUE(Holds(out_, "MARVOLT_EXE_V2106_BIN_WFD_NTC\tCompressed\t"));
    char crc[9] = {};
    std::snprintf(crc, sizeof crc, "%08x", Crc32("stand-in for Marvolt.exe" + std::string(3000, 'x')));
    EXPECT_TRUE(Holds(out_, "\tMarvolt.exe\t2009-12-10T00:00:00Z\t" + std::string(crc) +
                                " checked\tnot a Windows program or DLL\tOK\n"));
    EXPECT_TRUE(Holds(out_, "#7\t-\t8\t-\t-\t-\t-\t-\tnot a payload"));
}

// Faults: extract into the README's missing folder failed; the file had the extraction's time, not the
// recorded one the launcher gives it; a read-only record (row 3) made a writable file; "cannot write"
// without the system's reason.
TEST_F(PayloadToolTest, ExtractWritesTheRecordedFileAndNothingOutsideTheFolder) {
    ASSERT_EQ(Run("extract " + Launcher() + " woberin_exe_v2106_bin_wfd_ntc " + Path("out_dir")), 0) << err_;
    EXPECT_EQ(ReadFile(Path("out_dir/Woberin.exe")), "stand-in for Woberin.exe" + std::string(3000, 'x'));
    struct stat facts {};
    EXPECT_TRUE(::stat(Path("out_dir/Woberin.exe").c_str(), &facts) == 0 &&
                facts.st_mtime == kRecordedPosixTime);
    ASSERT_EQ(Run("extract " + Launcher("Stavnik_exe_V2103_BIN_WFD_NTC", "", false, false, "", 0x21) + " 3 " +
                  Path("out_dir")),
              0);
    EXPECT_TRUE(::stat(Path("out_dir/Stavnik.exe").c_str(), &facts) == 0 && (facts.st_mode & 0222) == 0);
    WriteFile(Path("plain"), "x");
    EXPECT_EQ(Run("extract " + Launcher() + " 4 " + Path("plain/sub")), 1);
    EXPECT_TRUE(Holds(err_, "cannot create the folder " + Path("plain/sub") + ": Not a directory"));

    EXPECT_EQ(Run("extract " + Launcher("Woberin_exe_V2106_BIN_WFD_NTC", "..") +
                  " Woberin_exe_V2106_BIN_WFD_NTC " + Path("out_dir")),
              1);
    EXPECT_TRUE(Holds(err_, "not a plain file name"));
    EXPECT_EQ(Run("extract " + Launcher() + " Nothing_WFD " + Path("out_dir")), 1);
    // A tool's file name picks the same payload as its resource name (a row number: row 3 above).
    fs::remove(Path("out_dir/Woberin.exe"));
    ASSERT_EQ(Run("extract " + Launcher() + " woberin.EXE " + Path("out_dir")), 0) << err_;
    EXPECT_TRUE(fs::exists(Path("out_dir/Woberin.exe")));
}

TEST_F(PayloadToolTest, BadExecutablesEndInOneClearLine) {
    WriteFile(Path("text.exe"), "just text");
    EXPECT_EQ(Run("list " + Path("text.exe")), 1);
    EXPECT_EQ(err_, "payload-tool: " + Path("text.exe") + ": not a PE image\n");

    const std::string image = ReadFile(Launcher());
    WriteFile(Path("cut.exe"), image.substr(0, image.size() / 2));
    EXPECT_EQ(Run("verify " + Path("cut.exe")), 1);
    EXPECT_EQ(err_, "payload-tool: " + Path("cut.exe") + ": truncated\n");

    EXPECT_EQ(Run("verify " + Path("nowhere.exe")), 1);
    // A directory opens like a file and fails only when read.
    EXPECT_EQ(Run("verify " + folder_.string()), 1);
    EXPECT_EQ(err_, "payload-tool: " + folder_.string() + ": Is a directory\n");
    EXPECT_EQ(Run("frobnicate"), 2);
    // --help is a request, not a mistake: every command on stdout, exit 0.
    ASSERT_EQ(Run("--help"), 0);
    for (const char* command : {"pack ", "list ", "verify ", "extract "}) {
        EXPECT_NE(out_.find(std::string("\n  ") + command), std::string::npos) << command << out_;
    }
}

// Faults: a repacked launcher that does not verify or deploys the old tool, rows named in one of the
// three ways not found, and bad input that leaves an output file behind (or a half-written one).
TEST_F(PayloadToolTest, ReplaceWritesAVerifyingCopyOrNoFileAtAll) {
    const std::string launcher = Launcher();
    WriteFile(Path("new.exe"), "a real tool");
    ASSERT_EQ(Run("replace " + launcher + " 1=" + Path("new.exe") + " stavnik.EXE=" + Path("new.exe") +
                  " pellory_exe_v2102_bin_wfd_ntc=" + Path("new.exe") + " -o " + Path("out.exe")),
              0)
        << err_;
    // Fault: files Windows cannot start were packed without a word. One line per row, only on success.
    EXPECT_EQ(std::count(err_.begin(), err_.end(), '\n'), 3) << err_;
    EXPECT_TRUE(Holds(err_, "payload-tool: warning: row 3 (Stavnik.exe): " + Path("new.exe") +
                                " is not a Windows program or DLL: Windows cannot start it"));
    ASSERT_EQ(Run("verify " + Path("out.exe")), 0) << out_;
    fs::create_directories(Path("x"));
    ASSERT_EQ(Run("extract " + Path("out.exe") + " STAVNIK_EXE_V2103_BIN_WFD_NTC " + Path("x")), 0) << err_;
    EXPECT_EQ(ReadFile(Path("x/Stavnik.exe")), "a real tool");

    WriteFile(Path("text.exe"), "just text");
    WriteFile(Path("bare.exe"), TestPe({}).image.substr(0, 0x200));
    for (const std::string& bad :
         {launcher + " 6=" + Path("new.exe") + " -o ", launcher + " Marvolt=" + Path("new.exe") + " -o ",
          launcher + " 1=" + Path("missing.exe") + " -o ",
          Path("text.exe") + " 1=" + Path("new.exe") + " -o ",
          Path("bare.exe") + " 1=" + Path("new.exe") + " -o ",
          launcher + " 1=" + Path("new.exe") + " -o " + Path("no/such/folder") + "/"}) {
        EXPECT_EQ(Run("replace " + bad + Path("bad.exe")), 1) << bad;
        EXPECT_EQ(std::count(err_.begin(), err_.end(), '\n'), 1) << err_;
    }
    // Fault: a forgotten -o was only "usage: ...".
    EXPECT_EQ(Run("replace " + launcher + " 1=" + Path("new.exe") + " " + Path("bad.exe")), 2);
    EXPECT_TRUE(Holds(err_, "payload-tool: replace: -o OUT is missing"));
    EXPECT_EQ(std::distance(fs::directory_iterator(folder_), fs::directory_iterator()), 8);
}

// Fault: the launcher found no version beside a payload packed by replace, or a stale one, so the
// users' copies of a new tool were never replaced, or replaced by an older one.
TEST_F(PayloadToolTest, VersionAndReplaceRecordEachToolsFileVersionBesideItsPayload) {
    WriteFile(Path("versioned.exe"),
              TestPe({{"#1", TestVersionResource(0x0002'0001, 0x0000'0007)}}, 0x10B, 16).image);
    WriteFile(Path("plain.exe"), "no version");
    // A versioned file's record: launcher_payloads_check reads it independently from the built launcher.
    ASSERT_EQ(Run("version " + Path("plain.exe") + " " + Path("v.rec")), 0) << err_;
    EXPECT_EQ(out_, "none\n");
    EXPECT_EQ(ReadFile(Path("v.rec")), "");

    ASSERT_EQ(Run("replace " + Launcher() + " 3=" + Path("versioned.exe") + " 1=" + Path("plain.exe") +
                  " -o " + Path("a.exe")),
              0)
        << err_;
    // Again over the records the first run made: they are updated, not added twice.
    ASSERT_EQ(Run("replace " + Path("a.exe") + " 1=" + Path("versioned.exe") + " 3=" + Path("plain.exe") +
                  " -o " + Path("b.exe")),
              0)
        << err_;
    // The records (a named type, so the first) under the payloads' names and language, with the version.
    for (const auto& [exe, records] : {std::pair{"a.exe", "TOOLVERSION: MARVOLT_EXE_V2106_BIN_WFD_NTC 1033 "
                                                          "none STAVNIK_EXE_V2103_BIN_WFD_NTC 1033 2.1.0.7"},
                                       {"b.exe", "TOOLVERSION: MARVOLT_EXE_V2106_BIN_WFD_NTC 1033 2.1.0.7 "
                                                 "STAVNIK_EXE_V2103_BIN_WFD_NTC 1033 none"}}) {
        PeImage image;
        ASSERT_EQ(ReadPeImage(ReadFile(Path(exe)), image), PeResult::Ok);
        const PeResourceType& type = image.resources.types.front();
        std::string found = ResourceIdText(type.id) + ":";
        for (const PeResourceName& name : type.names) {
            const PeResourceLanguage& record = name.languages.front();
            const std::optional<FileVersion> version = DecodeToolVersionRecord(record.bytes);
            found += " " + ResourceIdText(name.id) + " " + std::to_string(record.id.number) + " " +
                     (version ? VersionText(*version) : "none");
        }
        EXPECT_EQ(found, records) << exe;
    }
}

// Faults: a link planted at OUT.partial was followed and the launcher's bytes written into its target;
// /dev/zero or a FIFO as a tool file was read until memory ran out or for ever.
TEST_F(PayloadToolTest, ReplaceNeitherFollowsWhatLiesAtThePartialNameNorReadsWhatIsNoFile) {
    const std::string launcher = Launcher();
    WriteFile(Path("new.exe"), "a real tool");
    WriteFile(Path("victim"), "keep");
    fs::create_symlink(Path("victim"), Path("out.exe.partial"));
    ASSERT_EQ(Run("replace " + launcher + " 1=" + Path("new.exe") + " -o " + Path("out.exe")), 0) << err_;
    EXPECT_EQ(ReadFile(Path("victim")), "keep");
    EXPECT_TRUE(fs::is_symlink(Path("out.exe.partial")));
    EXPECT_FALSE(fs::is_symlink(Path("out.exe")) || fs::exists(Path("out.exe.partial.1")));

    ASSERT_EQ(::mkfifo(Path("fifo").c_str(), 0600), 0);
    for (const std::string& tool : {std::string("/dev/zero"), Path("fifo")}) {
        EXPECT_EQ(Run("replace " + launcher + " 1=" + tool + " -o " + Path("bad.exe"), "timeout 10"), 1);
        EXPECT_EQ(err_, "payload-tool: " + tool + ": not a regular file\n");
    }
    EXPECT_FALSE(fs::exists(Path("bad.exe")));
}

// Faults: facts that the launcher's own readers see otherwise than given, company and copyright not
// stored as the Unicode they are, a manifest left at the old version, payloads lost on the way, a second
// set that drops what the first wrote.
TEST_F(PayloadToolTest, SetWritesFactsThatTheLauncherReadsBackAndKeepsWhatItIsNotGiven) {
    const std::string launcher = LauncherWithManifest();
    const std::string company = "M\u00fcller & S\u00f6hne GmbH \u03a9";
    WriteFile(Path("facts.txt"), "\xEF\xBB\xBF"
                                 "company=" +
                                     company + "\r\n\r\ncopyright=\u00a9 2026\r\n");
    ASSERT_EQ(Run("set " + launcher + " version=3.0.7.1 @" + Path("facts.txt") +
                  " 'home-page=https://example.org/tools?lang=de&v=2' date=01022027 update-tools=on -o " +
                  Path("a.exe")),
              0)
        << err_;
    const std::string branded = ReadFile(Path("a.exe"));
    const std::u16string wide = u"M\u00fcller & S\u00f6hne GmbH \u03a9"; // little-endian, with its NUL:
    EXPECT_NE(ResourceBytes(branded, kRtVersionInfo, 1)
                  .find(std::string(reinterpret_cast<const char*>(wide.c_str()), 2 * wide.size() + 2)),
              std::string::npos);
    EXPECT_EQ(ResourceBytes(branded, kRtManifest, 1),
              "<assembly><assemblyIdentity name='L' version=\"3.0.7.1\"/></assembly>");
    ASSERT_EQ(Run("verify " + Path("a.exe")), 0) << out_;
    // The facts as the launcher's readers see them (the same ones that read its own resources).
    ASSERT_EQ(Run("set " + Path("a.exe") + " company=x -o " + Path("b.exe")), 0) << err_;
    EXPECT_EQ(
        out_,
        "version=3.0.7.1\ncompany=x\ncopyright=\u00a9 2026\nhome-page=https://example.org/tools?lang=de&v=2\n"
        "date=01022027\nupdate-tools=on\n");
}

// Faults: one bad value reported per run (three runs to find three), a character that RFC 3986 allows
// in a URL refused (') or one that breaks out of a quoted command accepted, a launcher written although
// a value was bad, a launcher without facts given none.
TEST_F(PayloadToolTest, SetReportsEveryBadValueInOneRunAndThenWritesNothing) {
    for (const std::string url : {"https://example.org/a;b&c=1", "http://a/it's(1)*+,=!$~_-.[]@:%2F?x#y"})
        EXPECT_EQ(Run("set --check " + Quoted("home-page=" + url)), 0) << url << err_;
    for (const std::string url :
         {"ftp://a", "https://", "https://a b", "https://a\"b", "https://a\\b", "https://a<b", "https://a`b",
          "https://a|b", "https://a\tb", "https://\u00e4", "https://a%2"}) {
        EXPECT_EQ(Run("set --check " + Quoted("home-page=" + url)), 1) << url;
        EXPECT_TRUE(err_.starts_with("payload-tool: home-page=") &&
                    std::count(err_.begin(), err_.end(), '\n') == 1)
            << err_;
    }
    const std::string launcher = LauncherWithManifest();
    EXPECT_EQ(Run("set " + launcher + " version=2.01.0.4 " + Quoted("company=a\nb") +
                  " copyright=\xC3 date=29022023 update-tools=yes colour=red -o " + Path("out.exe")),
              1);
    EXPECT_EQ(std::count(err_.begin(), err_.end(), '\n'), 6) << err_;
    for (const char* key : {"version=", "company=", "copyright=", "date=", "update-tools=", "colour="})
        EXPECT_NE(("\n" + err_).find(std::string("\npayload-tool: ") + key), std::string::npos)
            << key << err_;
    EXPECT_EQ(Run("set " + launcher + " company=x -o " + Path("out.exe")), 1);
    EXPECT_EQ(err_, "payload-tool: " + launcher + ": carries no version; give version=\npayload-tool: " +
                        launcher + ": carries no home-page; give home-page=\npayload-tool: " + launcher +
                        ": carries no date; give date=\n");
    EXPECT_FALSE(fs::exists(Path("out.exe")));

    // The address wider than the home-page label's line is said, and still taken.
    EXPECT_EQ(Run("set --check home-page=https://www.funkelis-beispiel-werkzeuge.example.org/downloads/"
                  "funkelis-tools/aktuelle-version/index.html"),
              0);
    EXPECT_NE(out_.find(": warning: is 505 pixels wide in the window font"), std::string::npos) << out_;
    EXPECT_EQ(Run("set --check home-page=https://www.example.org/funkelis-tools"), 0);
    EXPECT_EQ(out_, "");
}

} // namespace
