// The settings file operations against the real profile functions. The settings file is the one
// beside this test program (settings_file_test.ini); every case starts without it.
#include <windows.h>

#include <clocale>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>

#include "base/text_ops.h"
#include "base/text_ops_win.h"
#include "driver/started_process_win.h"
#include "settings/settings_file_win.h"
#include "settings/version_stamp_win.h"
#include "settings/window_placement_win.h"
#include "tests/profile_bytes.h"
#include "tests/test_files.h"

namespace {

// The stamp of kFreshSettingsFile.
const std::string kDate = kTreeDate;
const std::string kVersion = kTreeVersion;

std::string ReadBytes(const std::string& path) { return ReadWholeFile(path).value_or(""); }

void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

void RemoveEntry(const std::string& path) {
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(path.c_str());
    RemoveDirectoryA(path.c_str());
}

std::string StampedFile(const std::string& version, const std::string& date, const std::string& rest = "") {
    return "[HmWinPos]\r\nHmWinPosX=12\r\nHmWinPosY=34\r\n[DateVersionInIni]\r\nVersion=" + version +
           "\r\nDate=" + date + "\r\n[Optionen]\r\nAllProgExit=\"0\"\r\n" + rest;
}

class SettingsFile : public ::testing::Test {
  protected:
    void SetUp() override {
        path = SettingsPath("ini");
        ASSERT_FALSE(path.empty());
        RemoveEntry(path);
    }
    void TearDown() override { RemoveEntry(path); }

    std::string path;
};

} // namespace

TEST_F(SettingsFile, PathsDeriveFromTheRunningExecutable) {
    char module[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, module, MAX_PATH);
    const std::string exe = module;
    EXPECT_EQ(path, exe.substr(0, exe.size() - 3) + "ini");
    const std::string folder = ProgramFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), '\\');
    EXPECT_EQ(exe.rfind(folder, 0), 0u);
    EXPECT_EQ(exe.find('\\', folder.size()), std::string::npos);
    // The ".EXE" test takes the platform's upper-casing, which ends the text at a NUL.
    EXPECT_EQ(UpperCaseText(std::string("ab\0cd", 5)), "AB");
    EXPECT_EQ(UpperCaseText(".exe"), ".EXE");
}

TEST_F(SettingsFile, FirstStartCreatesTheDefaultContentWithTheStamp) {
    // Fault: under Wine the checks below take what its rewrite leaves, so the layout of a new file was
    // never compared; right after it is created, before any profile write, it is the Windows form.
    EXPECT_EQ(CreateDefaultSettings(), 1);
    EXPECT_EQ(ReadBytes(path), "[HmWinPos]\r\nHmWinPosX=\r\n\r\n[DateVersionInIni]\r\nVersion=\"0.0.0.0\"\r\n"
                               "Date=\"00000000\"\r\n\r\n[Optionen]\r\nAllProgExit=\"1\"\r\n\r\n");
    RemoveEntry(path);
    EXPECT_EQ(EnsureSettingsStamp(kDate, kVersion), 1);
    EXPECT_TRUE(LeftByTheProfileWriter(ReadBytes(path), kFreshSettingsFile));
    EXPECT_EQ(CreateDefaultSettings(), 0);
}

TEST_F(SettingsFile, AMatchingStampLeavesEveryByte) {
    const std::string dottedDate = kDate.substr(0, 2) + "." + kDate.substr(2, 2) + "." + kDate.substr(4);
    for (const auto& [version, date] : {std::pair{"\"" + kVersion + "\"", "\"" + kDate + "\""},
                                        {"v " + kVersion + " ", "'" + dottedDate + "'"},
                                        {"\"" + kVersion + "\"  ; note", "\"" + kDate + "\"\r\n\r\n"}}) {
        const std::string original = StampedFile(version, date, "\r\n; kept\r\n");
        WriteBytes(path, original);
        EXPECT_EQ(SettingsStampMatches(kDate, kVersion), 1) << version << date;
        EXPECT_EQ(EnsureSettingsStamp(kDate, kVersion), 1) << version << date;
        EXPECT_EQ(ReadBytes(path), original) << version << date;
    }
}

TEST_F(SettingsFile, AnotherOrMissingStampResetsTheFile) {
    for (const std::string& stale :
         {StampedFile("\"" + OtherStamp(kVersion) + "\"", "\"" + kDate + "\""),
          StampedFile("\"" + kVersion + "\"", "\"" + OtherStamp(kDate) + "\""),
          StampedFile("\"0.0.0.0\"", "\"" + kDate + "\""), StampedFile("", "\"" + kDate + "\""),
          std::string("[HmWinPos]\r\nHmWinPosX=5\r\n")}) {
        WriteBytes(path, stale);
        EXPECT_EQ(EnsureSettingsStamp(kDate, kVersion), 1) << stale;
        EXPECT_TRUE(LeftByTheProfileWriter(ReadBytes(path), kFreshSettingsFile)) << stale;
    }
}

TEST_F(SettingsFile, AllZeroStampsNeverMatch) {
    EXPECT_EQ(EnsureSettingsStamp("00000000", "0.0.0.0"), 0);
    EXPECT_EQ(SettingsStampMatches("00000000", "0.0.0.0"), 0);
    EXPECT_EQ(SettingsStampMatches("", ""), 0);
}

TEST_F(SettingsFile, ProtectedFilesAndFoldersSurviveAReset) {
    const std::string stale = StampedFile("\"1.0\"", "\"01012000\"");
    for (DWORD attributes : {FILE_ATTRIBUTE_READONLY, FILE_ATTRIBUTE_HIDDEN, FILE_ATTRIBUTE_SYSTEM}) {
        WriteBytes(path, stale);
        SetFileAttributesA(path.c_str(), attributes);
        EXPECT_EQ(EnsureSettingsStamp(kDate, kVersion), 0) << attributes;
        EXPECT_EQ(ReadBytes(path), stale) << attributes;
        RemoveEntry(path);
    }
    ASSERT_TRUE(CreateDirectoryA(path.c_str(), nullptr));
    EXPECT_EQ(EnsureSettingsStamp(kDate, kVersion), 0);
    EXPECT_EQ(GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_DIRECTORY, DWORD{FILE_ATTRIBUTE_DIRECTORY});
    std::string value = "x";
    EXPECT_EQ(AllProgExitOption(value, 0), 1);
    EXPECT_EQ(value, "1");
}

TEST_F(SettingsFile, GarbageLongLinesAndBinaryBytesAreSurvived) {
    std::string binary;
    for (int i = 0; i < 4096; ++i) binary.push_back(static_cast<char>(i * 37 % 256));
    const std::string longLine = "[DateVersionInIni]\r\nVersion=" + std::string(70000, '2') +
                                 "\r\nDate=" + std::string(3000, '1') +
                                 "\r\n[Optionen]\r\nAllProgExit=" + std::string(5000, '0') + "\r\n";
    const std::string noBreaks =
        "[DateVersionInIni" + std::string(20000, '=') + "Version=\"" + kVersion + "\"";
    for (const std::string& garbage : {binary, longLine, noBreaks, std::string("\0\0[\0]\0=\0", 9)}) {
        WriteBytes(path, garbage);
        std::string value = "keep";
        AllProgExitOption(value, 0);
        EXPECT_EQ(EnsureSettingsStamp(kDate, kVersion), 1);
        EXPECT_TRUE(LeftByTheProfileWriter(ReadBytes(path), kFreshSettingsFile));
    }
}

TEST_F(SettingsFile, AllProgExitReadCases) {
    std::string value = "keep";
    EXPECT_EQ(AllProgExitOption(value, 0), 0) << "no file";
    EXPECT_EQ(value, "keep");

    const auto readWith = [this](const std::string& content, std::string& out) {
        WriteBytes(path, content);
        return AllProgExitOption(out, 0);
    };
    value = "keep";
    EXPECT_EQ(readWith("[HmWinPos]\r\nHmWinPosX=1\r\n", value), 1);
    EXPECT_EQ(value, "1");
    value = "keep";
    EXPECT_EQ(readWith("[Optionen]\r\nOther=0\r\n", value), 1);
    EXPECT_EQ(value, "1");
    EXPECT_EQ(readWith("[Optionen]\r\nAllProgExit=\"0\"\r\n", value), 1);
    EXPECT_EQ(value, "0");
    value = "keep";
    EXPECT_EQ(readWith("[Optionen]\r\nAllProgExit=\"yes\"\r\n", value), 0);
    EXPECT_EQ(value, "keep");
    EXPECT_EQ(readWith("[Optionen]\r\nAllProgExit=\"\"\r\n", value), 0);
    EXPECT_EQ(value, "keep");
    EXPECT_EQ(readWith("[Optionen]\r\nAllProgExit=10\r\n", value), 1);
    EXPECT_EQ(value, "10");
}

TEST_F(SettingsFile, AllProgExitWriteCases) {
    ASSERT_EQ(EnsureSettingsStamp(kDate, kVersion), 1);
    std::string value = "0";
    EXPECT_EQ(AllProgExitOption(value, 1), 1);
    // Only the option's line changes.
    ProfileBytes optionZero = kFreshSettingsFile;
    for (std::string* bytes : {&optionZero.windows, &optionZero.wine}) {
        bytes->replace(bytes->find("AllProgExit=\"1\""), 15, "AllProgExit=\"0\"");
    }
    EXPECT_TRUE(LeftByTheProfileWriter(ReadBytes(path), optionZero));
    std::string readBack;
    EXPECT_EQ(AllProgExitOption(readBack, 0), 1);
    EXPECT_EQ(readBack, "0");

    value = "";
    EXPECT_EQ(AllProgExitOption(value, 1), 1);
    EXPECT_EQ(value, "");
    EXPECT_EQ(AllProgExitOption(readBack, 0), 1);
    EXPECT_EQ(readBack, "1");

    const std::string before = ReadBytes(path);
    value = "0";
    EXPECT_EQ(AllProgExitOption(value, 2), 0);
    EXPECT_EQ(AllProgExitOption(value, -1), 0);
    EXPECT_EQ(ReadBytes(path), before);
    EXPECT_EQ(value, "0");
}

TEST_F(SettingsFile, WritingAnOptionKeepsTheOtherEntries) {
    WriteBytes(path, "; note\r\n[Optionen]\r\nAllProgExit=\"1\"\r\n\r\n[Other]\r\nk = v \r\n");
    std::string value = "0";
    EXPECT_EQ(AllProgExitOption(value, 1), 1);
    EXPECT_TRUE(LeftByTheProfileWriter(
        ReadBytes(path), {"; note\r\n[Optionen]\r\nAllProgExit=\"0\"\r\n\r\n[Other]\r\nk = v \r\n",
                          "; note\r\n[Optionen]\r\nAllProgExit=\"0\"\r\n[Other]\r\nk=v\r\n"}));
}

TEST_F(SettingsFile, StoredNumbersReadTheSameUnderAGermanLocale) {
    // Fault: the C runtime's decimal point was taken; after a shell extension's setlocale "40.7" read as 40.
    ASSERT_TRUE(setlocale(LC_ALL, "German") != nullptr && *localeconv()->decimal_point == ',');
    const double read[] = {ReadNumber("40.7"), ReadNumber("-1.5"), ReadNumber("3.5")};
    setlocale(LC_ALL, "C");
    EXPECT_TRUE(read[0] == 40.7 && read[1] == -1.5 && read[2] == 3.5)
        << read[0] << " " << read[1] << " " << read[2];
    // Fault: the x87 rounded the quotient 8522815517 / 10^6 twice and missed the nearest double.
    EXPECT_EQ(ReadNumber("8522.815517"), 8522.815517);
}

// A copy of this program named without ".exe" reports its settings path (the cases run in the original).
int ReportSettingsPath(const char* reportPath) {
    std::ofstream(reportPath, std::ios::binary) << SettingsPath("ini") << '\n' << ExecutablePath();
    return 0;
}

TEST(SettingsPathOfACopy, ANameWithoutExeGetsTheExtensionAppended) {
    char temp[MAX_PATH] = {};
    char folder[MAX_PATH] = {};
    ASSERT_GT(GetTempPathA(MAX_PATH, temp), 0u);
    ASSERT_NE(GetTempFileNameA(temp, "set", 0, folder), 0u);
    DeleteFileA(folder);
    ASSERT_TRUE(CreateDirectoryA(folder, nullptr));
    const std::string copy = std::string(folder) + "\\Tool.bin";
    const std::string report = std::string(folder) + "\\report.txt";
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    ASSERT_TRUE(CopyFileA(self, copy.c_str(), FALSE));

    const StartedProcess process = StartProcess("\"" + copy + "\" --report-settings-path \"" + report + "\"");
    ASSERT_TRUE(process.Started());
    EXPECT_TRUE(process.WaitForExit(120000));

    const std::string reported = ReadBytes(report);
    const std::string expectedPath = copy + ".ini";
    EXPECT_EQ(reported.substr(0, reported.find('\n')), expectedPath);
    EXPECT_NE(reported.find(copy), std::string::npos);
    DeleteFileA(report.c_str());
    DeleteFileA(copy.c_str());
    RemoveDirectoryA(folder);
}

// Fault: the stamp and option code handed a 262-character settings path to the profile functions,
// which wrote pieces of the file under garbled names. deep_folder.sh starts a copy of this program from
// such a folder (Wine starts none there from inside); it uses the settings as the launcher does.
int UseSettingsFromADeepFolder() {
    std::string option = "0";
    AllProgExitOption(option, 1);
    TrackWindowPlacement(nullptr, WM_CLOSE, 0, 0);
    const bool none = EnsureSettingsStamp(kDate, kVersion) == 0 && AllProgExitOption(option, 0) == 0;
    return none && ExecutablePath().size() > 259 ? 0 : 1;
}

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--report-settings-path") return ReportSettingsPath(argv[2]);
    if (argc == 2 && std::string(argv[1]) == "--use-settings-deep") return UseSettingsFromADeepFolder();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
