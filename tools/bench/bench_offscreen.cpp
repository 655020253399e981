// How fast the offscreen back end runs the game: virtual seconds per real second, for the
// whole idle program (the real binary with -until) and for the layer alone in-process.
// Costs are also given in memcpys of one frame (153600 bytes) measured in the same run.
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>
#include "platform/offscreen.h"
#include "platform/system.h"
#include "platform/toolkit.h"
#include "tools/bench/bench_timing.h"

extern char** environ;

using Clock = std::chrono::steady_clock;

static double seconds(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double>(b - a).count(); }

// The real program, idle on its first screens, until the layer closes its window.
static double programRun(int64_t untilMs, int& status) {
    char home[] = "/tmp/tavrin-bench-XXXXXX";
    if (!mkdtemp(home)) {
        status = -1;
        return 0;
    }
    std::string until = std::to_string(untilMs);
    std::string homeVar = std::string("HOME=") + home;
    std::vector<std::string> args{TAVRIN_BINARY, "-platform", "offscreen", "-until", until};
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<char*> env;
    for (char** e = environ; *e; e++)
        if (strncmp(*e, "HOME=", 5)) env.push_back(*e);
    env.push_back(homeVar.data());
    env.push_back(nullptr);
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&fa, 2, "/dev/null", O_WRONLY, 0);
    auto t0 = Clock::now();
    pid_t pid;
    int wstatus = 0;
    if (posix_spawn(&pid, argv[0], &fa, nullptr, argv.data(), env.data()) != 0 || waitpid(pid, &wstatus, 0) < 0)
        wstatus = -1;
    auto t1 = Clock::now();
    posix_spawn_file_actions_destroy(&fa);
    status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1;
    std::string rm = std::string("rm -rf ") + home;
    if (system(rm.c_str()) != 0) status = -1;
    return seconds(t0, t1);
}

// The layer alone: each 10 ms of virtual time two event passes, one presented frame and the
// sleeps, as the game's loop makes them.
static double layerRun(int64_t virtualMs) {
    std::string w0 = "bench", w1 = "-platform", w2 = "offscreen", w3 = "-until", w4 = std::to_string(virtualMs + 1000);
    char* argv[] = {w0.data(), w1.data(), w2.data(), w3.data(), w4.data(), nullptr};
    int argc = 5;
    QPEApplication app(argc, argv);
    QMainWindow w;
    app.showMainWidget(&w);
    std::vector<uint8_t> frame(153600, 0x42);
    auto t0 = Clock::now();
    for (int64_t t = 0; t < virtualMs; t += 10) {
        app.processEvents(1);
        app.processEvents(1);
        {
            QDirectPainter p(&w);
            memcpy(p.frameBuffer(), frame.data(), frame.size());
        }
        sysUsleep(4000);
        sysUsleep(4000);
        sysUsleep(2000);
    }
    return seconds(t0, Clock::now());
}

int main(int argc, char** argv) {
    // --tsv: the two per-frame figures, without goals.
    const bool tsv = bench::tsvWanted(argc, argv);
    double copy = bench::frameCopyNanos() / 1e9;
    if (!tsv) printf("memcpy of 153600 bytes: %.2f us\n", copy * 1e6);

    const int64_t untilMs = 60000;
    double best = 1e9;
    int status = 0;
    for (int round = 0; round < 3; round++) best = std::min(best, programRun(untilMs, status));
    if (!tsv)
        printf("whole program, idle, %lld virtual s: %.3f s real (exit status %d)\n", (long long)(untilMs / 1000), best,
               status);
    if (!tsv)
        printf("  %.1f virtual s per real s; one virtual second costs %.0f frame memcpys\n", untilMs / 1000.0 / best,
               best / (untilMs / 1000.0) / copy);

    const int64_t layerMs = 600000;
    double layer = layerRun(layerMs);
    if (tsv) {
        bench::tsvRow("offscreen program, one virtual second", -1, best / (untilMs / 1000.0) / copy, 0);
        bench::tsvRow("offscreen layer, one frame", -1, layer / (layerMs / 10.0) / copy, 0);
        return status == 0 ? 0 : 1;
    }
    printf("layer alone, %lld virtual s (100 frames per virtual s): %.3f s real\n", (long long)(layerMs / 1000), layer);
    printf("  %.1f virtual s per real s; one frame through the layer costs %.2f frame memcpys\n",
           layerMs / 1000.0 / layer, layer / (layerMs / 10.0) / copy);
    return status == 0 ? 0 : 1;
}
