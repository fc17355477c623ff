// Timing shared by the native benchmarks: the best of several runs, and the
// baseline they are set against, one memchr pass over the same bytes.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstring>
#include <string>

namespace vuv::bench {

// Best of several runs of work, in seconds.
template <typename Work>
double timeBest(Work&& work, int runs = 5) {
    using Clock = std::chrono::steady_clock;
    double best = 1e30;
    for (int i = 0; i < runs; ++i) {
        const auto start = Clock::now();
        work();
        best = std::min(best, std::chrono::duration<double>(Clock::now() - start).count());
    }
    return best;
}

inline volatile std::size_t sink = 0;  // keeps results alive

// One pass over the bytes looking for a byte they do not hold: the least any
// reader of them can cost.
inline double memchrSeconds(const std::string& bytes) {
    return timeBest([&] { sink = sink + (std::memchr(bytes.data(), '\x01', bytes.size()) != nullptr); });
}

}  // namespace vuv::bench
