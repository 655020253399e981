#include "tests/program/harness.h"

#include <dirent.h>
#include <fcntl.h>
#include <png.h>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "tools/common/whole_file.h"

namespace program {

TempDir::TempDir() {
    const char* base = getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/tavrin-run-XXXXXX";
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    if (mkdtemp(buf.data())) path_ = buf.data();
}

static void removeTree(const std::string& path) {
    struct stat st;
    if (lstat(path.c_str(), &st) != 0) return;
    if (S_ISDIR(st.st_mode)) {
        chmod(path.c_str(), 0700);  // a test may have made it unwritable
        for (const std::string& name : listDir(path)) removeTree(path + "/" + name);
        rmdir(path.c_str());
    } else
        unlink(path.c_str());
}

TempDir::~TempDir() {
    if (!path_.empty()) removeTree(path_);
}

std::string readFile(const std::string& path) { return wholeFile(path); }

std::string level3Record() {
    const uint8_t key[8] = {0x5A, 0x13, 0xC7, 0x2E, 0x91, 0x6B, 0xF4, 0x08};
    const uint8_t plain[9] = {0xC8, 0x01, 0x00, 0x10, 0x03, 0xD2, 0x04, 0x00, 0x00};
    std::string out;
    for (unsigned i = 0; i < 9; i++) out += char(plain[i] ^ uint8_t(key[(i >> 3) & 7] - (key[i & 7] + 58)));
    return out;
}

Usage waitWithUsage(Started& started) {
    Usage u;
    struct rusage use {};
    while (wait4(started.pid, &u.status, 0, &use) < 0 && errno == EINTR) {
    }
    started.pid = -1;
    u.cpuSeconds =
        double(use.ru_utime.tv_sec + use.ru_stime.tv_sec) + double(use.ru_utime.tv_usec + use.ru_stime.tv_usec) / 1e6;
    u.peakKB = use.ru_maxrss;
    return u;
}

bool fileExists(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

std::vector<std::string> listDir(const std::string& dir) {
    std::vector<std::string> names;
    if (DIR* d = opendir(dir.c_str())) {
        while (dirent* e = readdir(d))
            if (strcmp(e->d_name, ".") && strcmp(e->d_name, "..")) names.push_back(e->d_name);
        closedir(d);
    }
    return names;
}

std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

int countLines(const std::string& text, const std::string& needle) {
    int n = 0;
    for (const std::string& line : splitLines(text)) n += line.find(needle) != std::string::npos;
    return n;
}

bool waitForLines(const std::string& path, const std::string& needle, int count, int boundMs) {
    const size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash);
    int fd = inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
    if (fd < 0) return false;
    // Watch the folder, so a file that does not exist yet is seen when it appears.
    inotify_add_watch(fd, folder.c_str(), IN_CREATE | IN_MODIFY | IN_CLOSE_WRITE | IN_MOVED_TO);
    struct timespec start;
    clock_gettime(CLOCK_MONOTONIC, &start);
    bool found = false;
    for (;;) {
        if (countLines(readFile(path), needle) >= count) {
            found = true;
            break;
        }
        struct timespec now;
        clock_gettime(CLOCK_MONOTONIC, &now);
        const long long elapsed = (now.tv_sec - start.tv_sec) * 1000LL + (now.tv_nsec - start.tv_nsec) / 1000000;
        if (elapsed >= boundMs) break;
        struct pollfd p {
            fd, POLLIN, 0
        };
        if (poll(&p, 1, int(boundMs - elapsed)) > 0) {
            char buf[4096];
            while (read(fd, buf, sizeof buf) > 0) {
            }
        }
    }
    close(fd);
    return found;
}

static void applyEnv(const std::vector<std::pair<std::string, std::optional<std::string>>>& env) {
    for (const auto& [name, value] : env) {
        if (value)
            setenv(name.c_str(), value->c_str(), 1);
        else
            unsetenv(name.c_str());
    }
}

int runCommand(const std::vector<std::string>& args,
               const std::vector<std::pair<std::string, std::optional<std::string>>>& env) {
    std::vector<std::string> words = args;
    std::vector<char*> argv;
    for (std::string& a : words) argv.push_back(a.data());
    argv.push_back(nullptr);
    fflush(nullptr);
    pid_t pid = fork();
    if (pid == 0) {
        applyEnv(env);
        int null = open("/dev/null", O_RDWR);
        dup2(null, 0);
        dup2(null, 1);
        execv(argv[0], argv.data());
        _exit(127);
    }
    if (pid < 0) return -1;
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

RunResult runProgram(const std::string& dir, const RunOptions& options) {
    Started s = startProgram(dir, options);
    return waitProgram(s);
}

Started startProgram(const std::string& dir, const RunOptions& options) {
    Started started;
    RunResult& r = started.result;
    r.dir = dir;
    r.home = dir + "/home";
    mkdir(r.home.c_str(), 0755);
    std::vector<std::string> args{TAVRIN_BINARY};
    if (options.offscreen) {
        args.insert(args.end(), {"-platform", "offscreen"});
        if (options.script) {
            std::ofstream(dir + "/run.script") << *options.script;
            args.insert(args.end(), {"-script", dir + "/run.script"});
        }
        if (options.debugLog) args.insert(args.end(), {"-debuglog", dir + "/debug.log"});
    }
    args.insert(args.end(), options.args.begin(), options.args.end());
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    const std::string outPath = dir + "/stdout.txt", errPath = dir + "/stderr.txt";

    fflush(nullptr);
    pid_t pid = fork();
    if (pid == 0) {
        if (chdir(dir.c_str()) != 0) _exit(126);
        setenv("HOME", r.home.c_str(), 1);
        // The desktop keeps progress in the data folder, which defaults to one under HOME.
        unsetenv("XDG_DATA_HOME");
        applyEnv(options.env);
        int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int in = open("/dev/null", O_RDONLY);
        if (out < 0 || err < 0 || in < 0) _exit(126);
        dup2(in, 0);
        dup2(out, 1);
        dup2(err, 2);
        execv(argv[0], argv.data());
        _exit(127);
    }
    started.pid = pid;
    return started;
}

RunResult waitProgram(Started& started) {
    RunResult r = started.result;
    if (started.pid < 0) return r;
    int status = 0;
    while (waitpid(started.pid, &status, 0) < 0 && errno == EINTR) {
    }
    started.pid = -1;
    const std::string outPath = r.dir + "/stdout.txt", errPath = r.dir + "/stderr.txt";
    if (WIFEXITED(status))
        r.exitStatus = WEXITSTATUS(status);
    else if (WIFSIGNALED(status))
        r.signal = WTERMSIG(status);
    r.out = readFile(outPath);
    r.err = readFile(errPath);
    r.debugLog = readFile(r.dir + "/debug.log");
    return r;
}

uint32_t Picture::at(int x, int y) const {
    if (x < 0 || y < 0 || x >= width || y >= height) return 0xffffffffu;
    const uint8_t* p = &rgb[(size_t(y) * size_t(width) + size_t(x)) * 3];
    return uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
}

Picture readPng(const std::string& path) {
    Picture pic;
    png_image img;
    memset(&img, 0, sizeof img);
    img.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&img, path.c_str())) return pic;
    img.format = PNG_FORMAT_RGB;
    std::vector<uint8_t> buf(PNG_IMAGE_SIZE(img));
    if (!png_image_finish_read(&img, nullptr, buf.data(), 0, nullptr)) {
        png_image_free(&img);
        return pic;
    }
    pic.width = int(img.width);
    pic.height = int(img.height);
    pic.rgb = std::move(buf);
    return pic;
}

}  // namespace program
