// Settings-file bytes as the platform's profile (INI) writer leaves them, for the Windows test programs.
// An expectation is the bytes of the Windows writer, which edits the file in place and leaves every
// other byte alone. Wine's writer reads the whole file and writes it out again, dropping empty lines
// and the blanks around "="; its form is accepted only when the test runs under Wine.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>
#include <string>

#include "funkelis_facts.h"

struct ProfileBytes {
    std::string windows;
    std::string wine;
};

// The stamp this tree's launcher writes: the build's facts, whatever version and date it was given.
inline const std::string kTreeVersion = FUNKELIS_VERSION_TEXT;
inline const std::string kTreeDate = FUNKELIS_PROGRAM_DATE;

// Another program's version or date: the tree's with its last digit changed.
inline std::string OtherStamp(std::string stamp) {
    stamp.back() = static_cast<char>('0' + (stamp.back() - '0' + 1) % 10);
    return stamp;
}

// The default content with the tree's stamp.
// Windows appends "key=" + value + "\r\n" to the section (a new section to the file), so a value ending
// in "\r\n" leaves an empty line after its entry; replacing that value later keeps the line.
inline const ProfileBytes kFreshSettingsFile{
    "[HmWinPos]\r\nHmWinPosX=\r\n\r\n[DateVersionInIni]\r\nVersion=\"" + kTreeVersion + "\"\r\nDate=\"" +
        kTreeDate + "\"\r\n\r\n[Optionen]\r\nAllProgExit=\"1\"\r\n\r\n",
    "[HmWinPos]\r\nHmWinPosX=\r\n[DateVersionInIni]\r\nVersion=\"" + kTreeVersion + "\"\r\nDate=\"" +
        kTreeDate + "\"\r\n[Optionen]\r\nAllProgExit=\"1\"\r\n"};

// ntdll exports wine_get_version only under Wine.
inline bool RunsUnderWine() {
    const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

// Passes for the Windows writer's bytes anywhere, and for Wine's form under Wine.
inline ::testing::AssertionResult LeftByTheProfileWriter(const std::string& actual,
                                                         const ProfileBytes& expected) {
    if (actual == expected.windows || (RunsUnderWine() && actual == expected.wine))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "the file holds\n  " << ::testing::PrintToString(actual) << "\ninstead of\n  "
           << ::testing::PrintToString(expected.windows)
           << (RunsUnderWine() ? "\nor, under Wine,\n  " + ::testing::PrintToString(expected.wine) : "");
}
