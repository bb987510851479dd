// Timing helpers of the stand-alone benchmarks: a median of repeated runs, and the seconds
// since a moment.
#pragma once

#include <algorithm>
#include <chrono>
#include <vector>

namespace timing {

inline double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

inline double seconds(std::chrono::steady_clock::time_point from) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - from).count();
}

}  // namespace timing
