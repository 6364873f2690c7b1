#pragma once
// Median wall time of repeated runs, in milliseconds.
#include <algorithm>
#include <chrono>
#include <functional>
#include <vector>

namespace kelvane::bench {

inline double MedianMs(const std::function<void()>& work, int runs = 5)
{
    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        const auto start = std::chrono::steady_clock::now();
        work();
        times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace kelvane::bench
