// What the desktop window costs, on a private X server with no GPU (Xvfb 1280x1024), as a
// new player would run it: CPU while idle in the main menu and while playing with a key
// held (share of one core), CPU per presented frame at zoom 3, CPU from exec to the first
// frame on screen, and the peak resident memory. Each figure is the median of several runs;
// the per-frame cost is also given in memcpys of one 153600-byte frame measured here.
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

namespace {

using Clock = std::chrono::steady_clock;

void pause(double s) { std::this_thread::sleep_for(std::chrono::duration<double>(s)); }

double median(std::vector<double> v) {
    if (v.empty()) return -1;
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

// A private X server with no GPU behind it, as on a headless machine.
struct Xvfb {
    pid_t pid = -1;
    std::string display;
    Xvfb() {
        int fds[2];
        if (access("/usr/bin/Xvfb", X_OK) != 0 || pipe(fds) != 0) return;
        fflush(nullptr);
        pid = fork();
        if (pid == 0) {
            close(fds[0]);
            int null = open("/dev/null", O_RDWR);
            dup2(null, 0);
            dup2(null, 1);
            dup2(null, 2);
            std::string fd = std::to_string(fds[1]);
            execl("/usr/bin/Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x1024x24", "-nolisten", "tcp",
                  "-noreset", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(fds[1]);
        std::string n;
        char c;
        while (read(fds[0], &c, 1) == 1 && c != '\n') n += c;
        close(fds[0]);
        if (!n.empty()) display = ":" + n;
    }
    ~Xvfb() {
        if (pid > 0) {
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
        }
    }
};

std::string g_display;
std::string g_home;

pid_t spawn(const std::vector<std::string>& args, bool quiet) {
    std::vector<std::string> a = args;
    std::vector<char*> argv;
    for (auto& s : a) argv.push_back(s.data());
    argv.push_back(nullptr);
    fflush(nullptr);
    pid_t pid = fork();
    if (pid == 0) {
        setenv("DISPLAY", g_display.c_str(), 1);
        unsetenv("WAYLAND_DISPLAY");
        setenv("HOME", g_home.c_str(), 1);
        setenv("XDG_CONFIG_HOME", (g_home + "/.config").c_str(), 1);
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

// Share of one core used by pid over `seconds` of wall time.
double cpuShare(pid_t pid, double seconds) {
    double c0 = processCpu(pid);
    auto t0 = Clock::now();
    pause(seconds);
    double c1 = processCpu(pid);
    double wall = std::chrono::duration<double>(Clock::now() - t0).count();
    return (c1 - c0) / wall * 100;
}

const char* const Xdotool = "/usr/bin/xdotool";

void key(const char* what, const char* name) { run({Xdotool, what, name}); }

// The game itself: waits for the window, then measures on its first screens and in play.
struct GameFigures {
    double idle = -1, play = -1, peakMb = -1;
};
GameFigures gameFigures() {
    GameFigures g;
    pid_t pid = spawn({TAVRIN_BINARY}, true);
    // --sync: until the window exists; then it gets the keyboard.
    run({Xdotool, "search", "--sync", "--name", "^[Tt]avrin$", "windowfocus", "--sync", "%1"});
    pause(1.5);
    key("key", "space");  // splash -> main menu
    pause(2.0);
    std::vector<double> idle;
    for (int i = 0; i < 5; i++) idle.push_back(cpuShare(pid, 1.0));
    g.idle = median(idle);
    // Practice, level 1, play.
    for (const char* k : {"Down", "space", "space", "space"}) {
        key("key", k);
        pause(1.3);
    }
    pause(2.5);  // the level's name fades
    std::vector<double> play;
    for (int i = 0; i < 6; i++) {
        // Walk down and back up the same tunnel: the view scrolls all the time.
        const char* k = i % 2 ? "Up" : "Down";
        key("keydown", k);
        play.push_back(cpuShare(pid, 1.0));
        key("keyup", k);
    }
    g.play = median(play);
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
    std::vector<double> ms;
    for (int i = 0; i < 5; i++) {
        std::string log = g_home + "/first.log";
        unlink(log.c_str());
        run({TAVRIN_BINARY, "-until", "700", "-debuglog", log});
        std::ifstream f(log);
        std::string line;
        const std::string mark = "layer: first frame shown, CPU since exec ";
        while (std::getline(f, line))
            if (line.compare(0, mark.size(), mark) == 0) ms.push_back(atof(line.c_str() + mark.size()));
    }
    return median(ms);
}

double cpuNow() {
    timespec t;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

// The layer's present path alone, in a process of its own: a window at zoom 3 and frames
// that differ everywhere from the one before (the worst case). Milliseconds per frame.
double presentMs() {
    int fds[2];
    if (pipe(fds) != 0) return -1;
    fflush(nullptr);
    pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        setenv("DISPLAY", g_display.c_str(), 1);
        unsetenv("WAYLAND_DISPLAY");
        setenv("HOME", g_home.c_str(), 1);
        setenv("XDG_CONFIG_HOME", (g_home + "/.config").c_str(), 1);
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
        double m = median(per);
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

}  // namespace

int main() {
    if (access(Xdotool, X_OK) != 0) {
        printf("bench_desktop: needs Xvfb and xdotool (tools/deps.sh installs them); skipped\n");
        return 0;
    }
    Xvfb x;
    if (x.display.empty()) {
        printf("bench_desktop: Xvfb did not start; skipped\n");
        return 0;
    }
    g_display = x.display;
    char home[] = "/tmp/tavrin-bench-desktop-XXXXXX";
    if (!mkdtemp(home)) return 1;
    g_home = home;

    double memcpyNs = bench::frameCopyNanos();
    double first = firstFrameMs();
    double present = presentMs();
    GameFigures g = gameFigures();
    printf("desktop window on Xvfb 1280x1024, no GPU (medians; goals in brackets)\n");
    printf("  idle in the main menu:          %6.2f %% of one core   [<= 1]\n", g.idle);
    printf("  playing, a key held:            %6.2f %% of one core   [<= 5]\n", g.play);
    printf("  CPU per present, zoom 3:        %6.3f ms (%.0f frame memcpys)   [<= 0.5]\n", present,
           present * 1e6 / memcpyNs);
    printf("  CPU from exec to first frame:   %6.1f ms   [<= 50]\n", first);
    printf("  peak resident memory:           %6.1f MB   [<= 40]\n", g.peakMb);
    std::string cmd = std::string("rm -rf '") + home + "'";
    if (system(cmd.c_str()) != 0) return 1;
    return 0;
}
