#pragma once

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

namespace lumicap::bench {

// Median wall time of several rounds, in milliseconds.
inline double medianMs(int rounds, const std::function<void()> &work)
{
    std::vector<double> times;
    for (int i = 0; i < rounds; ++i) {
        const auto start = std::chrono::steady_clock::now();
        work();
        times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

inline void report(const char *what, double ms, double baselineMs)
{
    std::printf("%-44s %9.2f ms   %5.2fx\n", what, ms, ms / baselineMs);
}

} // namespace lumicap::bench
