// What the desktop window costs, on a private X server with no GPU (Xvfb 1280x1024), as a
// new player would run it: CPU while idle in the main menu and while playing with a key
// held (share of one core), CPU per presented frame at zoom 3, CPU from exec to the first
// frame on screen, and the peak resident memory. Every figure is the CPU time of the game's
// own process (its threads' run time, not the wall clock), taken over several runs of the
// game, and printed as the median with the range; the per-frame cost is also given in
// memcpys of one 153600-byte frame measured here. The machine is often shared, so the load
// around the measurements is printed with them.
//
//   bench_desktop [--runs N] [GAME]    GAME: another build of the game to measure (the
//                                      present figure is always this build's layer)
#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>
#include "platform/toolkit.h"
#include "tools/bench/bench_timing.h"
#include "tools/common/virtual_display.h"

namespace {

using Clock = std::chrono::steady_clock;

void pause(double s) { std::this_thread::sleep_for(std::chrono::duration<double>(s)); }

// The median and the range of a figure over the runs.
struct Spread {
    double median = -1, low = -1, high = -1;
};
Spread spread(std::vector<double> v) {
    Spread s;
    if (v.empty()) return s;
    std::sort(v.begin(), v.end());
    s.median = v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
    s.low = v.front();
    s.high = v.back();
    return s;
}

std::string g_display;
std::string g_home;
std::string g_game = TAVRIN_BINARY;

void gameEnvironment() {
    setenv("DISPLAY", g_display.c_str(), 1);
    unsetenv("WAYLAND_DISPLAY");
    setenv("HOME", g_home.c_str(), 1);
    setenv("XDG_CONFIG_HOME", (g_home + "/.config").c_str(), 1);
    // Progress goes to the data folder; an outside setting must not send it elsewhere.
    setenv("XDG_DATA_HOME", (g_home + "/.local/share").c_str(), 1);
}

pid_t spawn(const std::vector<std::string>& args, bool quiet) {
    std::vector<std::string> a = args;
    std::vector<char*> argv;
    for (auto& s : a) argv.push_back(s.data());
    argv.push_back(nullptr);
    fflush(nullptr);
    pid_t pid = fork();
    if (pid == 0) {
        gameEnvironment();
        if (quiet) {
            int null = open("/dev/null", O_RDWR);
            dup2(null, 0);
            dup2(null, 1);
            dup2(null, 2);
        }
        execv(argv[0], argv.data());
        _exit(127);
    }
    return pid;
}

int run(const std::vector<std::string>& args) {
    pid_t pid = spawn(args, true);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// CPU time of every thread of a process, in seconds, at nanosecond resolution.
double processCpu(pid_t pid) {
    std::string dir = "/proc/" + std::to_string(pid) + "/task";
    DIR* d = opendir(dir.c_str());
    if (!d) return -1;
    double total = 0;
    while (dirent* e = readdir(d)) {
        if (e->d_name[0] == '.') continue;
        std::ifstream f(dir + "/" + e->d_name + "/schedstat");
        unsigned long long ns = 0;
        if (f >> ns) total += double(ns) / 1e9;
    }
    closedir(d);
    return total;
}

// The whole machine's busy CPU time (every core, every process), in seconds.
double machineBusy() {
    std::ifstream f("/proc/stat");
    std::string cpu;
    unsigned long long user = 0, nice = 0, system = 0, idle = 0, iowait = 0, irq = 0, softirq = 0, steal = 0;
    f >> cpu >> user >> nice >> system >> idle >> iowait >> irq >> softirq >> steal;
    return double(user + nice + system + irq + softirq + steal) / double(sysconf(_SC_CLK_TCK));
}

double loadAverage() {
    std::ifstream f("/proc/loadavg");
    double one = -1;
    f >> one;
    return one;
}

// One measuring window: the game's CPU time over the wall time, and how many cores the rest
// of the machine kept busy meanwhile.
struct Window {
    double gameCpu = 0, wall = 0, othersCpu = 0;
    double share() const { return wall > 0 ? gameCpu / wall * 100 : -1; }
    // The machine's counters tick in hundredths of a second: a quiet machine reads near 0.
    double others() const { return wall > 0 ? std::max(0.0, othersCpu / wall) : -1; }
};
struct WindowClock {
    pid_t pid;
    double c0, m0;
    Clock::time_point t0;
    explicit WindowClock(pid_t p) : pid(p), c0(processCpu(p)), m0(machineBusy()), t0(Clock::now()) {}
    void addTo(Window& w) const {
        double c = processCpu(pid) - c0;
        w.gameCpu += c;
        w.othersCpu += machineBusy() - m0 - c;
        w.wall += std::chrono::duration<double>(Clock::now() - t0).count();
    }
};

const char* const Xdotool = "/usr/bin/xdotool";

void key(const char* what, const char* name) { run({Xdotool, what, name}); }

// One run of the game: waits for the window, measures idle on the main menu, then in play.
struct GameRun {
    Window idle, play;
    double peakMb = -1;
};
GameRun gameRun() {
    GameRun g;
    pid_t pid = spawn({g_game}, true);
    // --sync: until the window exists; then it gets the keyboard.
    run({Xdotool, "search", "--sync", "--name", "^[Tt]avrin$", "windowfocus", "--sync", "%1"});
    pause(1.5);
    key("key", "space");  // splash -> main menu
    pause(2.0);
    {
        WindowClock w(pid);
        pause(5.0);
        w.addTo(g.idle);
    }
    // Practice, level 1, play.
    for (const char* k : {"Down", "space", "space", "space"}) {
        key("key", k);
        pause(1.3);
    }
    pause(2.5);  // the level's name fades
    for (int i = 0; i < 6; i++) {
        // Walk down and back up the same tunnel: the view scrolls all the time.
        const char* k = i % 2 ? "Up" : "Down";
        key("keydown", k);
        WindowClock w(pid);
        pause(1.0);
        w.addTo(g.play);
        key("keyup", k);
    }
    kill(pid, SIGTERM);
    int status = 0;
    struct rusage ru;
    while (wait4(pid, &status, 0, &ru) < 0 && errno == EINTR) {
    }
    g.peakMb = double(ru.ru_maxrss) / 1024;
    return g;
}

// CPU from exec to the first frame on screen, as the layer reports it in its debug log.
double firstFrameMs() {
    std::string log = g_home + "/first.log";
    unlink(log.c_str());
    run({g_game, "-until", "700", "-debuglog", log});
    std::ifstream f(log);
    std::string line;
    const std::string mark = "layer: first frame shown, CPU since exec ";
    while (std::getline(f, line))
        if (line.compare(0, mark.size(), mark) == 0) return atof(line.c_str() + mark.size());
    return -1;
}

double cpuNow() {
    timespec t;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

// The layer's present path alone, in a process of its own: a window at zoom 3 and frames
// that differ everywhere from the one before (the worst case). Milliseconds per frame, the
// median of the process's rounds.
double presentMs() {
    int fds[2];
    if (pipe(fds) != 0) return -1;
    fflush(nullptr);
    pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        gameEnvironment();
        int null = open("/dev/null", O_RDWR);
        dup2(null, 1);
        dup2(null, 2);
        static char a0[] = "bench", a1[] = "-zoom", a2[] = "3";
        char* argv[] = {a0, a1, a2, nullptr};
        int argc = 3;
        QPEApplication app(argc, argv);
        QWidget w;
        app.showMainWidget(&w);
        std::vector<double> per;
        for (int round = 0; round < 7; round++) {
            const int n = 100;
            double c0 = cpuNow();
            for (int i = 0; i < n; i++) {
                QDirectPainter p(&w);
                auto* fb = reinterpret_cast<uint16_t*>(p.frameBuffer());
                uint16_t base = uint16_t((round * n + i) * 0x0841);
                for (int k = 0; k < 240 * 320; k++) fb[k] = uint16_t(base + k);
            }
            double c1 = cpuNow();
            // The frames are written outside the layer too: take that part off.
            double c2 = cpuNow();
            for (int i = 0; i < n; i++) {
                static uint16_t scratch[240 * 320];
                uint16_t base = uint16_t((round * n + i) * 0x0841);
                for (int k = 0; k < 240 * 320; k++) scratch[k] = uint16_t(base + k);
                bench::keep(scratch);
            }
            double c3 = cpuNow();
            per.push_back(((c1 - c0) - (c3 - c2)) / n * 1000);
            app.processEvents();
        }
        double m = spread(per).median;
        ssize_t w1 = write(fds[1], &m, sizeof m);
        (void)w1;
        _exit(0);
    }
    close(fds[1]);
    double m = -1;
    if (read(fds[0], &m, sizeof m) != sizeof m) m = -1;
    close(fds[0]);
    waitpid(pid, nullptr, 0);
    return m;
}

void row(const char* name, const Spread& s, const char* unit, int decimals, const char* goal) {
    printf("  %-31s %7.*f %-18s [%.*f .. %.*f]   goal %s\n", name, decimals, s.median, unit, decimals, s.low, decimals,
           s.high, goal);
}

}  // namespace

int main(int argc, char** argv) {
    int runs = 5;
    for (int i = 1; i < argc; i++) {
        std::string a = argv[i];
        if (a == "--runs" && i + 1 < argc)
            runs = std::max(1, atoi(argv[++i]));
        else if (!a.empty() && a[0] != '-')
            g_game = a;
        else {
            fprintf(stderr, "usage: bench_desktop [--runs N] [GAME]\n");
            return 2;
        }
    }
    if (access(Xdotool, X_OK) != 0) {
        printf("bench_desktop: needs Xvfb and xdotool (tools/deps.sh installs them); skipped\n");
        return 0;
    }
    VirtualDisplay x("1280x1024x24");
    if (x.display().empty()) {
        printf("bench_desktop: Xvfb did not start; skipped\n");
        return 0;
    }
    g_display = x.display();
    char home[] = "/tmp/tavrin-bench-desktop-XXXXXX";
    if (!mkdtemp(home)) return 1;
    g_home = home;

    double loadBefore = loadAverage();
    double memcpyNs = bench::frameCopyNanos();
    std::vector<double> first, present, idle, play, peak, othersIdle;
    for (int i = 0; i < runs; i++) first.push_back(firstFrameMs());
    for (int i = 0; i < std::min(runs, 3); i++) present.push_back(presentMs());
    for (int i = 0; i < runs; i++) {
        GameRun g = gameRun();
        idle.push_back(g.idle.share());
        othersIdle.push_back(g.idle.others());
        play.push_back(g.play.share());
        peak.push_back(g.peakMb);
    }
    double loadAfter = loadAverage();
    Spread p = spread(present);
    Spread busy = spread(othersIdle);
    printf("desktop window on Xvfb 1280x1024, no GPU: %s\n", g_game.c_str());
    printf("CPU time of the game's process over %d runs: median [lowest .. highest]\n", runs);
    printf(
        "machine: %ld cores; load average %.2f before, %.2f after; other processes kept %.2f [%.2f .. %.2f]"
        " cores busy while idle was measured\n",
        sysconf(_SC_NPROCESSORS_ONLN), loadBefore, loadAfter, busy.median, busy.low, busy.high);
    row("idle in the main menu:", spread(idle), "% of one core", 2, "<= 1");
    row("playing, a key held:", spread(play), "% of one core", 2, "<= 5");
    char perFrame[64];
    snprintf(perFrame, sizeof perFrame, "ms (%.0f memcpys)", p.median * 1e6 / memcpyNs);
    row("CPU per present, zoom 3:", p, perFrame, 3, "<= 0.5");
    row("CPU from exec to first frame:", spread(first), "ms", 1, "<= 50");
    row("peak resident memory:", spread(peak), "MB", 1, "<= 40");
    std::string cmd = std::string("rm -rf '") + home + "'";
    if (system(cmd.c_str()) != 0) return 1;
    return 0;
}
