// Proves that this program really runs on a Windows API (Wine here), so no green test can come from
// a host build by mistake; and LoadSystemLibrary in a process that has not restricted its library search.
#include <windows.h>

#include <gtest/gtest.h>

#include "driver/launcher_harness_win.h"
#include "shell/system_libraries_win.h"

TEST(Platform, RunsOnWindowsApi) {
    using WineGetVersion = const char*(__cdecl*)();
    auto wineVersion = reinterpret_cast<WineGetVersion>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version")));
    ASSERT_NE(wineVersion, nullptr) << "not running under Wine";
    std::printf("running under Wine %s\n", wineVersion());
    char folder[MAX_PATH] = {};
    EXPECT_GT(GetWindowsDirectoryA(folder, MAX_PATH), 0u);
}

// Fault: LoadSystemLibrary searched beside the program (where a library is planted), as LoadLibrary does;
// on systems without the process-wide restriction it is the only defence.
TEST(SystemLibraries, ComeFromTheSystemFolderOnly) {
    EXPECT_EQ(LoadSystemLibrary(kPlantedDllName), nullptr);
    EXPECT_NE(LoadSystemLibrary("shell32.dll"), nullptr);
}
