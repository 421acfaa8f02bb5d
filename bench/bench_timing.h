// Timing for the benchmark programs: medians of repeated runs, each after one untimed warm-up
// run, since first-touch page faults, allocator growth and font loading are not the cost a
// user sees again and again.
#pragma once

#include <algorithm>
#include <chrono>
#include <functional>
#include <utility>
#include <vector>

namespace bench {

inline double Median(std::vector<double> ms) {
    std::sort(ms.begin(), ms.end());
    return ms[ms.size() / 2];
}

// Median time of `work` in ms over `runs` runs; `setup` runs untimed before each one.
inline double MedianMs(int runs, const std::function<void()>& setup,
                       const std::function<void()>& work) {
    setup();
    work();
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        setup();
        const auto t0 = std::chrono::steady_clock::now();
        work();
        const auto elapsed = std::chrono::steady_clock::now() - t0;
        ms.push_back(std::chrono::duration<double, std::milli>(elapsed).count());
    }
    return Median(std::move(ms));
}

inline double MedianMs(int runs, const std::function<void()>& work) {
    return MedianMs(runs, [] {}, work);
}

}  // namespace bench
