// Timing helpers shared by the benchmarks: every figure is a ratio to a memcpy of one
// 240x320 RGB565 frame measured in the same run, so machines and loads compare.
#pragma once
#include <algorithm>
#include <chrono>
#include <cstring>
#include <vector>

namespace bench {

using Clock = std::chrono::steady_clock;

// Keeps the optimiser from dropping work whose result is never read.
inline void keep(const void* p) { asm volatile("" : : "r"(p) : "memory"); }

// Best of several rounds: the least disturbed measure of one call.
template <typename F>
double nanosPerCall(F&& f, int perRound) {
    double best = 1e300;
    for (int round = 0; round < 9; ++round) {
        auto t0 = Clock::now();
        for (int i = 0; i < perRound; ++i) f();
        auto t1 = Clock::now();
        best = std::min(best, std::chrono::duration<double, std::nano>(t1 - t0).count() / perRound);
    }
    return best;
}

// The unit of every ratio: one memcpy of 153600 bytes, in nanoseconds.
inline double frameCopyNanos() {
    std::vector<unsigned char> a(153600, 0x5a), b(153600);
    return nanosPerCall([&] {
        std::memcpy(b.data(), a.data(), a.size());
        keep(b.data());
    }, 2000);
}

}  // namespace bench
