// Proves that this program really runs on a Windows API (Wine here), so no green test can come from
// a host build by mistake.
#include <windows.h>

#include <gtest/gtest.h>

TEST(Platform, RunsOnWindowsApi) {
    using WineGetVersion = const char*(__cdecl*)();
    auto wineVersion = reinterpret_cast<WineGetVersion>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version")));
    ASSERT_NE(wineVersion, nullptr) << "not running under Wine";
    std::printf("running under Wine %s\n", wineVersion());
    char folder[MAX_PATH] = {};
    EXPECT_GT(GetWindowsDirectoryA(folder, MAX_PATH), 0u);
}
