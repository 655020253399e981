// System calls whose effect depends on the back end. Desktop: the real ones. Offscreen: the
// clock is virtual and moves only when the program sleeps; there is no real-time clock
// device, so the program falls back to the plain sleep; service commands are only recorded.
#include "platform/system.h"
#include <fcntl.h>
#include <sys/ioctl.h>
#include <time.h>
#include <unistd.h>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include "platform/layer.h"
#include "platform/record.h"

// The service command is run before the application object exists, so the back end is not
// known from the application's options yet. Our own command line is put through the same
// option parser, once, and the answer kept. A command line the parser refuses counts as the
// desktop here; the application object then ends the program with the parser's message.
static bool offscreenFromCommandLine() {
    static const bool offscreen = [] {
        FILE* f = fopen("/proc/self/cmdline", "rb");
        if (!f) return false;
        std::string all;
        char buf[4096];
        size_t n;
        while ((n = fread(buf, 1, sizeof buf, f)) > 0) all.append(buf, n);
        fclose(f);
        std::vector<std::string> args;
        size_t start = 0;
        for (size_t i = 0; i < all.size(); i++)
            if (all[i] == '\0') {
                args.push_back(all.substr(start, i - start));
                start = i + 1;
            }
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        int argc = int(args.size());
        LayerOptions options;
        std::string error;
        return parseLayerOptions(argc, argv.data(), options, error) == 0 && options.platform == Platform::Offscreen;
    }();
    return offscreen;
}

static bool offscreenNow() {
    const LayerState& L = layer();
    if (L.appExists) return L.options.platform == Platform::Offscreen;
    return offscreenFromCommandLine();
}

int sysGettimeofday(struct timeval* tv) {
    if (sessionActive()) {
        int64_t us = sessionClockUs();
        tv->tv_sec = time_t(us / 1000000);
        tv->tv_usec = suseconds_t(us % 1000000);
        return 0;
    }
    if (!offscreenBackend()) return gettimeofday(tv, nullptr);
    tv->tv_sec = time_t(VirtualEpochSeconds + virtualNowUs / 1000000);
    tv->tv_usec = suseconds_t(virtualNowUs % 1000000);
    return 0;
}

int sysUsleep(unsigned us) {
    if (sessionActive()) {
        sessionSleep(us);
        return 0;
    }
    if (!offscreenBackend()) return usleep(us);
    virtualNowUs += us;
    return 0;
}

int sysOpen(const char* path, int flags) {
    // A recorded session sleeps on the layer's own clock, which the real-time clock's
    // interrupts would bypass.
    bool rtc = path && !strcmp(path, "/dev/rtc");
    if ((offscreenBackend() || sessionActive()) && rtc) {
        errno = ENOENT;
        return -1;
    }
    // A desktop without a usable real-time clock refuses it on every pass, 250 times a
    // second; the answer is kept for a second instead of asking the kernel each time.
    static int rtcRefusal = 0;
    static struct timespec rtcAsked;
    struct timespec now;
    if (rtc && rtcRefusal && clock_gettime(CLOCK_MONOTONIC_COARSE, &now) == 0 && now.tv_sec == rtcAsked.tv_sec) {
        errno = rtcRefusal;
        return -1;
    }
    int fd = ::open(path, flags);
    if (rtc) {
        rtcRefusal = fd < 0 && (errno == ENOENT || errno == EACCES || errno == EPERM) ? errno : 0;
        clock_gettime(CLOCK_MONOTONIC_COARSE, &rtcAsked);
    }
    return fd;
}

int sysIoctl(int fd, unsigned long request, unsigned long arg) { return ioctl(fd, request, arg); }
ssize_t sysRead(int fd, void* buf, size_t n) { return ::read(fd, buf, n); }
int sysClose(int fd) { return ::close(fd); }

int sysSystem(const char* command) {
    std::string cmd = command ? command : "";
    if (offscreenNow()) {
        layer().systemCommands.push_back(cmd);
        debugLine("system: " + cmd + " (recorded, not run)");
        return 0;
    }
    // Run the service command only where the service's script exists; on a desktop it
    // normally does not, and the shell's complaint would only be noise.
    std::string script = cmd.substr(0, cmd.find(' '));
    if (script.empty() || access(script.c_str(), X_OK) != 0) {
        debugLine("system: " + cmd + " (not run: no " + script + ")");
        return 127;
    }
    debugLine("system: " + cmd);
    return system(cmd.c_str());
}

int silenceStderr() {
    fflush(stderr);
    int saved = dup(2);
    int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (null >= 0) {
        dup2(null, 2);
        ::close(null);
    }
    return saved;
}

void restoreStderr(int saved) {
    if (saved < 0) return;
    fflush(stderr);
    dup2(saved, 2);
    ::close(saved);
}
