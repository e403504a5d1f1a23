// The clock and the summary that the Windows benchmarks share.
//
// NowMs     the performance counter in milliseconds.
// SpreadOf  median (the upper one of an even count), minimum and maximum; all 0 for no values.
#pragma once

#include <windows.h>

#include <algorithm>
#include <vector>

inline double NowMs() {
    LARGE_INTEGER frequency, counter;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    return 1000.0 * static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

struct Spread {
    double median = 0, min = 0, max = 0;
};

inline Spread SpreadOf(std::vector<double> values) {
    if (values.empty()) return {};
    std::sort(values.begin(), values.end());
    return {values[values.size() / 2], values.front(), values.back()};
}
