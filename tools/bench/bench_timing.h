// Timing helpers shared by the benchmarks: every figure is a ratio to a memcpy of one
// 240x320 RGB565 frame measured in the same run, so machines and loads compare. Every
// measure, the unit included, is the median of many rounds of a hot loop.
#pragma once
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace bench {

using Clock = std::chrono::steady_clock;

// Keeps the optimiser from dropping work whose result is never read.
inline void keep(const void* p) { asm volatile("" : : "r"(p) : "memory"); }

constexpr int Rounds = 101;

// Median of many short rounds: a busy neighbour (a time slice lost, a cache shared) disturbs
// some rounds, not the figure.
template <typename F>
double nanosPerCall(F&& f, int perRound) {
    f();  // warm: caches and lazily built state
    std::vector<double> rounds;
    rounds.reserve(Rounds);
    for (int round = 0; round < Rounds; ++round) {
        auto t0 = Clock::now();
        for (int i = 0; i < perRound; ++i) f();
        auto t1 = Clock::now();
        rounds.push_back(std::chrono::duration<double, std::nano>(t1 - t0).count() / perRound);
    }
    std::nth_element(rounds.begin(), rounds.begin() + Rounds / 2, rounds.end());
    return rounds[Rounds / 2];
}

// Bytes on a cache-line boundary, as a display's framebuffer and the game's screen buffers
// are: a copy between them then measures the copy, not how two heap blocks happen to fall.
class AlignedBytes {
public:
    explicit AlignedBytes(size_t n, unsigned char fill = 0)
        : size_(n), p_(static_cast<unsigned char*>(std::aligned_alloc(64, (n + 63) / 64 * 64))) {
        if (p_ == nullptr) std::abort();
        std::memset(p_, fill, n);
    }
    ~AlignedBytes() { std::free(p_); }
    AlignedBytes(const AlignedBytes&) = delete;
    AlignedBytes& operator=(const AlignedBytes&) = delete;
    unsigned char* data() { return p_; }
    size_t size() const { return size_; }

private:
    size_t size_;
    unsigned char* p_;
};

// The unit of every ratio: one hot memcpy of 153600 bytes between aligned buffers, in
// nanoseconds.
inline double frameCopyNanos() {
    static AlignedBytes a(153600, 0x5a), b(153600);
    return nanosPerCall(
        [&] {
            std::memcpy(b.data(), a.data(), a.size());
            keep(b.data());
        },
        50);
}

// Sends standard output nowhere while it lives (the game's own prints: display set-up,
// sounds), so that only the figures reach it.
class QuietStdout {
public:
    QuietStdout() {
        std::fflush(stdout);
        saved_ = dup(1);
        int null = open("/dev/null", O_WRONLY);
        if (null >= 0) {
            dup2(null, 1);
            close(null);
        }
    }
    ~QuietStdout() {
        std::fflush(stdout);
        if (saved_ >= 0) {
            dup2(saved_, 1);
            close(saved_);
        }
    }
    QuietStdout(const QuietStdout&) = delete;
    QuietStdout& operator=(const QuietStdout&) = delete;

private:
    int saved_ = -1;
};

// `--tsv` on the command line: one line per figure, name, orientation, ratio and goal,
// tab-separated, and nothing else on standard output.
inline bool tsvWanted(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        if (std::string(argv[i]) == "--tsv") return true;
    return false;
}

// One figure for --tsv; orientation -1 means none, goal 0 means none ("-").
inline void tsvRow(const char* name, int orientation, double ratio, double goal) {
    std::string o = orientation < 0 ? std::string("-") : std::to_string(orientation);
    char g[32] = "-";
    if (goal > 0) std::snprintf(g, sizeof g, "%.1f", goal);
    std::printf("%s\t%s\t%.2f\t%s\n", name, o.c_str(), ratio, g);
}

}  // namespace bench
