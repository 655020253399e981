// Recording and replaying a session: the size of a recording of the whole-game script (and
// per ten minutes of play), and how fast it replays offscreen, as virtual seconds per real
// second and as frame memcpys per replayed frame (medians of five runs). The real binary runs
// in a scratch folder of its own.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>
#include "tools/bench/bench_timing.h"
#include "tools/common/whole_file.h"

namespace {

// Runs the program in dir with a fresh HOME; returns real seconds, -1 on a failed run.
double run(const std::string& dir, std::vector<std::string> args) {
    std::string home = dir + "/home";
    if (system(("rm -rf '" + home + "' && mkdir -p '" + home + "'").c_str()) != 0) return -1;
    args.insert(args.begin(), TAVRIN_BINARY);
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    auto t0 = bench::Clock::now();
    pid_t pid = fork();
    if (pid == 0) {
        if (chdir(dir.c_str()) != 0) _exit(126);
        setenv("HOME", home.c_str(), 1);
        int out = open("stdout.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int null = open("/dev/null", O_WRONLY);
        dup2(out, 1);
        dup2(null, 2);
        execv(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) < 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
    return std::chrono::duration<double>(bench::Clock::now() - t0).count();
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main() {
    char pattern[] = "/tmp/tavrin-bench-replay-XXXXXX";
    if (!mkdtemp(pattern)) return 1;
    const std::string dir = pattern;
    const std::string script = std::string(TAVRIN_SOURCE_DIR) + "/tools/scripts/fullgame.script";
    const std::string rec = dir + "/fullgame.rec";
    double copyNs = bench::frameCopyNanos();
    printf("memcpy of 153600 bytes: %.2f us\n", copyNs / 1000);

    // The session's length: the time of the script's last line.
    long lastMs = 0;
    std::istringstream lines(wholeFile(script));
    for (std::string line; std::getline(lines, line);)
        if (!line.empty() && line[0] >= '0' && line[0] <= '9')
            lastMs = std::max(lastMs, strtol(line.c_str(), nullptr, 10));

    std::vector<double> plain, recorded, replayed;
    long frames = 0;
    for (int i = 0; i < 5; i++) {
        plain.push_back(run(dir, {"-platform", "offscreen", "-script", script}));
        recorded.push_back(run(dir, {"-platform", "offscreen", "-script", script, "-record", rec}));
        replayed.push_back(run(dir, {"-platform", "offscreen", "-replay", rec}));
        std::string out = wholeFile(dir + "/stdout.txt");
        size_t at = out.find("replay: ");
        frames = at == std::string::npos ? 0 : strtol(out.c_str() + at + 8, nullptr, 10);
    }
    bool ok = frames > 0 && *std::min_element(plain.begin(), plain.end()) >= 0 &&
              *std::min_element(recorded.begin(), recorded.end()) >= 0 &&
              *std::min_element(replayed.begin(), replayed.end()) >= 0;
    long bytes = long(wholeFile(rec).size());
    printf("whole-game script, %.1f virtual s, %ld frames\n", lastMs / 1000.0, frames);
    printf("  recording: %ld bytes, %.1f KB per ten minutes of play, %.2f bytes per frame\n", bytes,
           bytes * 600000.0 / double(lastMs) / 1024, double(bytes) / double(frames ? frames : 1));
    printf("  run without recording: %.3f s real; recorded: %.3f s real (medians of 5)\n", median(plain),
           median(recorded));
    double r = median(replayed);
    printf("  replay offscreen: %.3f s real, %.1f virtual s per real s (%.4f of the session's length)\n", r,
           lastMs / 1000.0 / r, r / (lastMs / 1000.0));
    printf("  one replayed frame, the whole program included, costs %.1f frame memcpys\n",
           r * 1e9 / double(frames ? frames : 1) / copyNs);
    if (system(("rm -rf '" + dir + "'").c_str()) != 0) ok = false;
    if (!ok) printf("a run failed\n");
    return ok ? 0 : 1;
}
