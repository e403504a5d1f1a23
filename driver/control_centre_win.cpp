// For the demonstration script: prints the screen position of the centre of a control (or, with id 0,
// of the window itself) of the top-level window titled TITLE, as "x y". Exit status 1 while the
// window or control is not there.
//
//   control_centre.exe TITLE ID
#include <windows.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (argc != 3) return 2;
    HWND window = FindWindowA(nullptr, argv[1]);
    if (window == nullptr || !IsWindowVisible(window)) return 1;
    const int id = std::atoi(argv[2]);
    HWND target = id == 0 ? window : GetDlgItem(window, id);
    if (target == nullptr) return 1;
    RECT area{};
    GetWindowRect(target, &area);
    std::printf("%ld %ld\n", (area.left + area.right) / 2, (area.top + area.bottom) / 2);
    return 0;
}
