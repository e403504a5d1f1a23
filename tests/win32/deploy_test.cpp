// Deployment against the real file system under Wine: exact bytes, attributes and times, the targets
// that cannot be written, the silent refusals and the one failure message, and the three kinds of
// record or disk that must not leave a wrong file behind.
#include <windows.h>

#include <atomic>
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <vector>

#include "payload/deploy_win.h"
#include "payload/payload_format.h"
#include "payload/payload_pack.h"
#include "payload/resource_store_win.h"
#include "settings/settings_file_win.h"
#include "shell/tool_catalogue.h"
#include "tests/test_files.h"

namespace {

constexpr uint64_t kRecordedWriteTime = 0x01CA792BB7578000ull; // 2009-12-10 00:00 UTC
constexpr uint64_t kOtherTime = 0x01C0000000000000ull;

struct ShownMessage {
    HWND owner;
    std::string text;
    std::string caption;
    UINT style;
};
std::vector<ShownMessage> shownMessages;

int WINAPI RecordMessage(HWND owner, LPCSTR text, LPCSTR caption, UINT style) {
    shownMessages.push_back({owner, text, caption, style});
    return IDOK;
}

FindDataRecord Record(const std::string& fileName, size_t size, uint32_t attributes) {
    FindDataRecord record;
    record.dwFileAttributes = attributes;
    record.ftCreationTime = kOtherTime;
    record.ftLastAccessTime = kOtherTime + 1;
    record.ftLastWriteTime = kRecordedWriteTime;
    record.nFileSizeLow = static_cast<uint32_t>(size);
    record.cFileName = fileName;
    return record;
}

std::string SampleBytes(size_t size, uint32_t seed) {
    std::string bytes(size, '\0');
    for (char& c : bytes) {
        seed = seed * 1103515245u + 12345u;
        c = static_cast<char>(seed >> 16);
    }
    return bytes;
}

// One payload named "Tool_exe_V1_BIN_WFD_NTC" that carries `bytes` as `fileName`.
MemoryResourceStore StoreWith(const std::string& fileName, const std::string& bytes,
                              uint32_t attributes = FILE_ATTRIBUTE_ARCHIVE) {
    MemoryResourceStore store;
    store.Add("TOOL_EXE_V1_BIN_WFD_NTC",
              MakeCompressedPayload(bytes, Record(fileName, bytes.size(), attributes)));
    return store;
}
constexpr const char* kToolResource = "Tool_exe_V1_BIN_WFD_NTC";

std::string ReadWhole(const std::string& path) { return ReadWholeFile(path).value_or("<missing>"); }

void WriteWhole(const std::string& path, const std::string& bytes) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

uint64_t Ticks(FILETIME time) { return (uint64_t{time.dwHighDateTime} << 32) | time.dwLowDateTime; }

struct Times {
    uint64_t creation, access, write;
};
Times TimesOf(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data);
    return {Ticks(data.ftCreationTime), Ticks(data.ftLastAccessTime), Ticks(data.ftLastWriteTime)};
}

void Remove(const std::string& path) {
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(path.c_str());
    RemoveDirectoryA(path.c_str());
}

// Each test works in a fresh folder beside the test program that holds one marker file, since
// deployment uses a folder only when it lists at least one entry.
class Deploy : public ::testing::Test {
  protected:
    void SetUp() override {
        char full[MAX_PATH] = {};
        GetFullPathNameA("deploy_test_work", MAX_PATH, full, nullptr);
        folder_ = std::string(full) + "\\";
        longFolder_ = folder_ + std::string(folder_.size() < 128 ? 128 - folder_.size() : 1, 'l') + "\\";
        CleanFolder();
        CreateDirectoryA(folder_.c_str(), nullptr);
        WriteWhole(folder_ + "marker.txt", "m");
        GetCurrentDirectoryA(MAX_PATH, full);
        savedCurrent_ = full;
        shownMessages.clear();
        SetDeployMessageBoxForTest(RecordMessage);
    }
    void TearDown() override {
        SetDeployMessageBoxForTest(nullptr);
        SetCurrentDirectoryA(savedCurrent_.c_str());
        CleanFolder();
        Remove(ProgramFolder() + "Hello.txt");
    }
    void CleanFolder() {
        for (const char* name : {"Tool.exe", "Tool.ex~", "marker.txt", "sub\\Tool.exe", "sub\\x.exe",
                                 "sub\\marker.txt", "empty\\Tool.exe", "x.exe", "elsewhere.txt"}) {
            Remove(folder_ + name);
        }
        for (int number = 1; number <= 4; ++number) Remove(DeployTemporaryPath(folder_ + "Tool.exe", number));
        RemoveDirectoryA((folder_ + "sub").c_str());
        RemoveDirectoryA((folder_ + "empty").c_str());
        Remove(longFolder_ + "Tool.exe");
        Remove(longFolder_ + "marker.txt");
        RemoveDirectoryA(longFolder_.c_str());
        RemoveDirectoryA(folder_.c_str());
    }
    std::string folder_;
    std::string longFolder_; // a subfolder whose path alone is over 128 characters
    std::string savedCurrent_;
};

TEST_F(Deploy, WritesExactBytesAttributesAndTheRecordedWriteTimeThreeTimes) {
    const std::string bytes = SampleBytes(70000, 1);
    const uint32_t attributes = FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN;
    const MemoryResourceStore store = StoreWith("Tool.exe", bytes, attributes);
    // A target of 128 characters or more is too long for OpenFile: a failing open for the times there
    // would leave the file with the time of its write.
    CreateDirectoryA(longFolder_.c_str(), nullptr);
    WriteWhole(longFolder_ + "marker.txt", "m");
    ASSERT_GE((longFolder_ + "Tool.exe").size(), size_t{OFS_MAXPATHNAME});
    for (const std::string& folder : {folder_, longFolder_}) {
        EXPECT_EQ(DeployPayloadFrom(store, kToolResource, folder), 1) << folder;
        const std::string target = folder + "Tool.exe";
        // Times first: reading the file may move its last-access time.
        const Times times = TimesOf(target);
        EXPECT_EQ(times.creation, kRecordedWriteTime) << folder;
        EXPECT_EQ(times.access, kRecordedWriteTime) << folder;
        EXPECT_EQ(times.write, kRecordedWriteTime) << folder;
        EXPECT_EQ(GetFileAttributesA(target.c_str()), attributes) << folder;
        EXPECT_TRUE(ReadWhole(target) == bytes) << folder;
    }
}

// Fault: the tool's file was created first and then filled, so a launcher killed during a large write
// left a truncated tool that every later click found present and started.
TEST_F(Deploy, AMissingToolAppearsOnlyWithAllItsBytesAndALeftoverIsRemoved) {
    const std::string target = folder_ + "Tool.exe";
    WriteWhole(DeployTemporaryPath(target, 2), "cut short by a kill");
    const std::string bytes = SampleBytes(24 << 20, 8);
    const MemoryResourceStore store = StoreWith("Tool.exe", bytes);
    std::atomic<bool> done = false;
    std::atomic<int> incompleteSightings = 0;
    std::thread watcher([&] {
        for (WIN32_FILE_ATTRIBUTE_DATA data{}; !done;) {
            if (GetFileAttributesExA(target.c_str(), GetFileExInfoStandard, &data))
                incompleteSightings += data.nFileSizeLow != bytes.size();
        }
    });
    EXPECT_EQ(DeployPayloadFrom(store, kToolResource, folder_), 1);
    done = true;
    watcher.join();
    EXPECT_EQ(incompleteSightings, 0);
    EXPECT_FALSE(Exists(DeployTemporaryPath(target, 1)) || Exists(DeployTemporaryPath(target, 2)));
}

// Fault: the temporary name was fixed and its entry prepared with SetFileAttributesA and CREATE_ALWAYS:
// a folder there blocked the tool for good and lost its attributes, a file held open blocked it, a
// hard link had the file it names overwritten. Fault: a refused time threw the complete tool away.
TEST_F(Deploy, EntriesAtTemporaryNamesStayAsTheyAreAndARefusedTimeIsSkipped) {
    const std::string target = folder_ + "Tool.exe";
    const std::string planted[] = {folder_ + "Tool.ex~", DeployTemporaryPath(target, 1),
                                   DeployTemporaryPath(target, 2), DeployTemporaryPath(target, 3)};
    for (const std::string& folder : {planted[0], planted[1]}) {
        ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
        SetFileAttributesA(folder.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY);
    }
    const DWORD folderAttributes = GetFileAttributesA(planted[0].c_str()); // Wine drops the read-only flag
    WriteWhole(planted[2], "held open");
    HANDLE holder = CreateFileA(planted[2].c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    WriteWhole(folder_ + "elsewhere.txt", "elsewhere");
    ASSERT_TRUE(CreateHardLinkA(planted[3].c_str(), (folder_ + "elsewhere.txt").c_str(), nullptr));

    const std::string bytes = SampleBytes(6000, 9);
    FindDataRecord record = Record("Tool.exe", bytes.size(), FILE_ATTRIBUTE_ARCHIVE);
    record.ftLastWriteTime |= 0x8000000000000000ull;
    MemoryResourceStore store;
    store.Add("TOOL_EXE_V1_BIN_WFD_NTC", MakeCompressedPayload(bytes, record));
    EXPECT_EQ(DeployPayloadFrom(store, kToolResource, folder_), 1);
    CloseHandle(holder);
    EXPECT_TRUE(ReadWhole(target) == bytes);
    EXPECT_TRUE(folderAttributes & FILE_ATTRIBUTE_HIDDEN);
    for (int i : {0, 1}) EXPECT_EQ(GetFileAttributesA(planted[i].c_str()), folderAttributes) << planted[i];
    EXPECT_EQ(ReadWhole(planted[2]) + ReadWhole(planted[3]) + ReadWhole(folder_ + "elsewhere.txt"),
              "held openelsewhereelsewhere");
}

TEST_F(Deploy, OverwritesAnOlderFileAndCutsItToTheNewLength) {
    const std::string target = folder_ + "Tool.exe";
    WriteWhole(target, SampleBytes(9000, 2));
    const std::string bytes = SampleBytes(5000, 3);
    EXPECT_EQ(DeployPayloadFrom(StoreWith("D:\\Build\\Tool.exe", bytes), kToolResource, folder_ + "  "), 1);
    EXPECT_TRUE(ReadWhole(target) == bytes);
}

// Fault: a replacement that could not take the tool's name left the name empty or half-written, or the
// present file with other times or attributes, or its temporary file behind.
TEST_F(Deploy, AReplacementThatFailsHalfWayLeavesThePresentFileExactlyAsItWas) {
    const std::string target = folder_ + "Tool.exe";
    WriteWhole(target, "the present tool");
    SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE);
    const Times before = TimesOf(target);
    const CarriedFile carried{"Tool.exe", FILE_ATTRIBUTE_ARCHIVE, 0,
                              0,          kRecordedWriteTime,     SampleBytes(70000, 10)};
    // In use (held open without delete sharing): the new bytes are written whole, then cannot take the name.
    HANDLE holder =
        CreateFileA(target.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(PutCarriedFile(target, carried, true));
    CloseHandle(holder);
    const Times after = TimesOf(target);
    EXPECT_EQ(ReadWhole(target), "the present tool");
    EXPECT_EQ(GetFileAttributesA(target.c_str()), DWORD{FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE});
    EXPECT_TRUE(after.creation == before.creation && after.write == before.write);
    EXPECT_FALSE(Exists(DeployTemporaryPath(target, 1)));

    EXPECT_TRUE(PutCarriedFile(target, carried, true));
    EXPECT_EQ(TimesOf(target).creation, kRecordedWriteTime);
    EXPECT_EQ(GetFileAttributesA(target.c_str()), DWORD{FILE_ATTRIBUTE_ARCHIVE});
    EXPECT_TRUE(ReadWhole(target) == carried.bytes);
}

TEST_F(Deploy, ATargetThatCannotBeOpenedKeepsItsContentAndCountsAsDeployed) {
    const std::string target = folder_ + "Tool.exe";
    const MemoryResourceStore store = StoreWith("Tool.exe", SampleBytes(3000, 4));

    WriteWhole(target, "old tool");
    SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(DeployPayloadFrom(store, kToolResource, folder_), 1);
    EXPECT_EQ(ReadWhole(target), "old tool");
    // The record's attributes lack read-only, so the file loses it and then takes the times.
    EXPECT_EQ(GetFileAttributesA(target.c_str()), static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE));
    EXPECT_EQ(TimesOf(target).write, kRecordedWriteTime);

    HANDLE holder = CreateFileA(target.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    EXPECT_EQ(DeployPayloadFrom(store, kToolResource, folder_), 1);
    CloseHandle(holder);
    EXPECT_EQ(ReadWhole(target), "old tool");
}

TEST_F(Deploy, AReadOnlyRecordLeavesAReadOnlyFileWithTheTimeOfTheWrite) {
    const std::string bytes = SampleBytes(4000, 5);
    const uint32_t attributes = FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_READONLY;
    EXPECT_EQ(DeployPayloadFrom(StoreWith("Tool.exe", bytes, attributes), kToolResource, folder_), 1);
    const std::string target = folder_ + "Tool.exe";
    EXPECT_TRUE(ReadWhole(target) == bytes);
    EXPECT_EQ(GetFileAttributesA(target.c_str()), attributes);
    EXPECT_NE(TimesOf(target).write, kRecordedWriteTime);
}

TEST_F(Deploy, AFolderWithoutBackslashOrWithoutEntriesGivesTheBareNameInTheCurrentFolder) {
    const MemoryResourceStore store = StoreWith("Tool.exe", "tool bytes");
    const std::string sub = folder_ + "sub\\";
    const std::string empty = folder_ + "empty\\";
    CreateDirectoryA(sub.c_str(), nullptr);
    CreateDirectoryA(empty.c_str(), nullptr);
    ASSERT_TRUE(SetCurrentDirectoryA(folder_.c_str()));

    EXPECT_EQ(DeployPayloadFrom(store, kToolResource, folder_ + "sub"), 1);
    EXPECT_EQ(ReadWhole(folder_ + "Tool.exe"), "tool bytes");
    EXPECT_FALSE(Exists(sub + "Tool.exe"));
    EXPECT_EQ(TimesOf(folder_ + "Tool.exe").write, kRecordedWriteTime);
    Remove(folder_ + "Tool.exe");

    EXPECT_EQ(DeployPayloadFrom(store, kToolResource, empty), 1);
    EXPECT_TRUE(Exists(folder_ + "Tool.exe"));
    EXPECT_FALSE(Exists(empty + "Tool.exe"));
}

TEST_F(Deploy, ASlashInTheRecordNameIsPartOfThePath) {
    CreateDirectoryA((folder_ + "sub").c_str(), nullptr);
    EXPECT_EQ(DeployPayloadFrom(StoreWith("sub/Tool.exe", "in sub"), kToolResource, folder_), 1);
    EXPECT_EQ(ReadWhole(folder_ + "sub\\Tool.exe"), "in sub");
}

TEST_F(Deploy, RecordNamesWithAParentPartWriteNothingOutsideTheFolder) {
    CreateDirectoryA((folder_ + "sub").c_str(), nullptr);
    for (const char* name : {"../x.exe", "sub/../../x.exe", ".."}) {
        EXPECT_EQ(DeployPayloadFrom(StoreWith(name, "escape"), kToolResource, folder_ + "sub\\"), 0) << name;
        EXPECT_FALSE(Exists(folder_ + "x.exe")) << name;
    }
    // Once cut at the last backslash these are the bare name, which was refused by over-reach.
    WriteWhole(folder_ + "sub\\marker.txt", "m");
    for (const char* name : {"..\\x.exe", "sub\\..\\..\\x.exe"}) {
        EXPECT_EQ(DeployPayloadFrom(StoreWith(name, "bare"), kToolResource, folder_ + "sub\\"), 1) << name;
        EXPECT_EQ(ReadWhole(folder_ + "sub\\x.exe"), "bare") << name;
        EXPECT_FALSE(Exists(folder_ + "x.exe")) << name;
        Remove(folder_ + "sub\\x.exe");
    }
}

TEST_F(Deploy, PathsOver259CharactersFailCleanly) {
    const MemoryResourceStore store = StoreWith("Tool.exe", "long");
    const std::string longFolder = folder_ + std::string(259 - folder_.size() - 8, 'd') + "\\";
    EXPECT_EQ(longFolder.size() + 8, 260u);
    EXPECT_EQ(DeployPayloadFrom(store, kToolResource, longFolder), 0);
    EXPECT_EQ(DeployPayloadFrom(store, kToolResource, folder_ + std::string(400, 'd') + "\\"), 0);
    const MemoryResourceStore longName = StoreWith(std::string(255, 'n') + ".exe", "long");
    EXPECT_EQ(DeployPayloadFrom(longName, kToolResource, folder_), 0);
}

// The test's CTest fixture mounts a 64 KiB file system here when the machine allows it.
TEST_F(Deploy, AFullDiskLeavesNoTruncatedFile) {
    const char* fullDisk = std::getenv("FUNKELIS_FULL_DISK");
    if (fullDisk == nullptr || GetFileAttributesA(fullDisk) == INVALID_FILE_ATTRIBUTES) {
        GTEST_SKIP() << "no small file system mounted";
    }
    const std::string diskFolder = std::string(fullDisk) + "\\";
    WriteWhole(diskFolder + "marker.txt", "m");
    const std::string target = diskFolder + "Tool.exe";
    EXPECT_EQ(DeployPayloadFrom(StoreWith("Tool.exe", SampleBytes(200000, 6)), kToolResource, diskFolder), 0);
    EXPECT_FALSE(Exists(target));
    // The same file system still takes a tool that fits.
    const std::string small = SampleBytes(8000, 7);
    EXPECT_EQ(DeployPayloadFrom(StoreWith("Tool.exe", small), kToolResource, diskFolder), 1);
    EXPECT_TRUE(ReadWhole(target) == small);
    Remove(target);
    Remove(diskFolder + "marker.txt");
}

TEST_F(Deploy, EntryPointsWriteIntoTheProgramFolder) {
    const std::string target = ProgramFolder() + "Hello.txt";
    PayloadImage image;
    ASSERT_TRUE(ReadPayload("Hello_txt_V1000_BIN_WFD_NTC", image));

    EXPECT_EQ(DeployTool(nullptr, 1, 1, "Hello_txt_V1000_BIN_WFD_NTC"), 1);
    EXPECT_TRUE(ReadWhole(target) == image.fileBytes);
    EXPECT_EQ(TimesOf(target).creation, image.record.ftLastWriteTime);
    Remove(target);

    EXPECT_EQ(DeployCindrelTool(nullptr, 1, 1), 1);
    EXPECT_TRUE(ReadWhole(target) == image.fileBytes);

    // Held open by a running program: nothing to tell the user.
    HANDLE holder = CreateFileA(target.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(DeployTool(nullptr, 1, 1, "Hello_txt_V1000_BIN_WFD_NTC"), 1);
    CloseHandle(holder);
    EXPECT_TRUE(shownMessages.empty());
}

TEST_F(Deploy, RefusalsAreSilentAndFailuresShowOneMessage) {
    const std::string target = ProgramFolder() + "Hello.txt";
    const HWND owner = GetDesktopWindow();
    EXPECT_EQ(DeployTool(owner, 1, 1, " \t\r\n"), 0);
    EXPECT_EQ(DeployTool(owner, 0, 1, "Hello_txt_V1000_BIN_WFD_NTC"), 0);
    EXPECT_EQ(DeployTool(owner, 4, 1, "Hello_txt_V1000_BIN_WFD_NTC"), 0);
    EXPECT_EQ(DeployTool(owner, 1, 0, "Hello_txt_V1000_BIN_WFD_NTC"), 0);
    EXPECT_EQ(DeployCindrelTool(owner, 1, 2), 0);
    EXPECT_FALSE(Exists(target));
    EXPECT_TRUE(shownMessages.empty());

    EXPECT_EQ(DeployTool(owner, 1, 1, "Missing_exe_V1_BIN_WFD_NTC"), 0);
    ASSERT_EQ(shownMessages.size(), 1u);
    EXPECT_EQ(shownMessages[0].owner, owner);
    EXPECT_EQ(shownMessages[0].text, "Fehler! --> Datei konnte nicht erstellt werden, \r\n"
                                     "wahrscheinlich fehlende Administrator rechte.");
    EXPECT_EQ(shownMessages[0].caption, " Fehler!");
    EXPECT_EQ(shownMessages[0].style, 0x12000u);

    // A name without payload ending is a failure the user is told of. A folder in the tool's place
    // counts as deployed and keeps its attributes (they were set to the record's).
    EXPECT_EQ(DeployTool(owner, 1, 1, "Hello_txt"), 0);
    CreateDirectoryA(target.c_str(), nullptr);
    SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    EXPECT_EQ(DeployTool(owner, 1, 1, "Hello_txt_V1000_BIN_WFD_NTC"), 1);
    EXPECT_EQ(GetFileAttributesA(target.c_str()), 0x16u);
    SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_NORMAL);
    RemoveDirectoryA(target.c_str());
    EXPECT_EQ(shownMessages.size(), 2u);
}

// Without the checksum the damaged file was written, started and kept as the tool.
TEST_F(Deploy, ADamagedPayloadOfTheRightSizeIsAFailureAndLeavesNoFile) {
    PayloadImage image;
    PayloadFacts facts;
    ASSERT_EQ(InspectPayload(ModuleResourceStore(), "Damaged_txt_V1000_BIN_WFD_NTC", image, facts),
              PayloadFault::ChecksumMismatch);
    EXPECT_EQ(DeployTool(GetDesktopWindow(), 1, 1, "Damaged_txt_V1000_BIN_WFD_NTC"), 0);
    EXPECT_EQ(shownMessages.size(), 1u);
    EXPECT_FALSE(Exists(ProgramFolder() + "Hello.txt"));
}

// The distributor's FunkelisTools.exe, whatever it packs: a payload that does not give back the packed
// file (a wrong file packed, a damaged or cut resource) shows here without any tool being started.
TEST_F(Deploy, EveryRowOfTheDistributedLauncherDeploysItsPackedFileByteForByte) {
    const char* launcher = std::getenv("FUNKELIS_DISTRIBUTED_LAUNCHER");
    const char* packed = std::getenv("FUNKELIS_PACKED_TOOLS");
    ASSERT_TRUE(launcher != nullptr && packed != nullptr) << "run through CTest";
    auto windowsPath = [](std::string path) {
        for (char& c : path) c = c == '/' ? '\\' : c;
        return "Z:" + path;
    };
    HMODULE module = LoadLibraryExA(windowsPath(launcher).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(module, nullptr) << launcher;
    MemoryResourceStore store;
    for (const ToolEntry& row : ToolCatalogue()) {
        const std::string name(row.resourceName);
        HRSRC found = FindResourceA(module, name.c_str(), MAKEINTRESOURCEA(10));
        ASSERT_NE(found, nullptr) << name;
        const char* bytes = static_cast<const char*>(LockResource(LoadResource(module, found)));
        store.Add(name, std::string(bytes, SizeofResource(module, found)));
    }
    FreeLibrary(module);
    std::string list = packed;
    for (const ToolEntry& row : ToolCatalogue()) {
        const std::string entry = list.substr(0, list.find('|'));
        list.erase(0, entry.size() + 1);
        const std::string file = folder_ + std::string(row.exeFileName);
        EXPECT_EQ(DeployPayloadFrom(store, row.resourceName, folder_), 1) << entry;
        EXPECT_TRUE(ReadWhole(file) == ReadWhole(windowsPath(entry.substr(entry.find('=') + 1))))
            << row.exeFileName << " differs from " << entry;
        Remove(file);
    }
}

TEST(ProbeFolders, AcceptOnlyExistingFoldersAndNormaliseThem) {
    char windowsFolder[MAX_PATH] = {};
    GetWindowsDirectoryA(windowsFolder, MAX_PATH);
    std::string path = std::string("  ") + windowsFolder + "\\\\/ ";
    EXPECT_EQ(ProbeFolder(path), 1);
    EXPECT_EQ(path, std::string(windowsFolder) + "\\");

    std::string file = ProgramFolder() + "deploy_test.exe";
    EXPECT_EQ(ProbeFolder(file), 0);
    EXPECT_EQ(file, ProgramFolder() + "deploy_test.exe");
    std::string missing = "C:\\no such folder\\";
    EXPECT_EQ(ProbeFolder(missing), 0);
    std::string pattern = std::string(windowsFolder) + "\\*";
    EXPECT_EQ(ProbeFolder(pattern), 0);

    std::string system32 = "stale";
    EXPECT_EQ(ProbeSystem32Folder(system32), 1);
    EXPECT_EQ(system32, std::string(windowsFolder) + "\\System32\\");
    // SysWow64 exists on 64-bit Windows only: the 64-bit prefix reaches this branch.
    std::string sysWow64 = "stale";
    BOOL wow64 = FALSE;
    ASSERT_TRUE(IsWow64Process(GetCurrentProcess(), &wow64));
    EXPECT_EQ(ProbeSysWow64Folder(sysWow64), wow64 ? 1 : 0);
    EXPECT_EQ(sysWow64, wow64 ? std::string(windowsFolder) + "\\SysWow64\\" : "");
}

} // namespace
