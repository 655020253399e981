// System calls whose effect depends on the back end. Desktop: the real ones. Offscreen: the
// clock is virtual and moves only when the program sleeps; there is no real-time clock
// device, so the program falls back to the plain sleep; service commands are only recorded.
#include "platform/system.h"
#include <fcntl.h>
#include <sys/ioctl.h>
#include <time.h>
#include <unistd.h>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include "platform/layer.h"
#include "platform/record.h"

// The service command is run before the application object exists, so the back end is not
// known from the application's options yet. Our own command line is put through the same
// option parser, once, and the answer kept. A command line the parser refuses counts as the
// desktop here; the application object then ends the program with the parser's message.
static bool offscreenFromCommandLine() {
    static const bool offscreen = [] {
        std::string all;
        if (!hostCommandLine(all)) return false;
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

// ---- the desktop's plain sleep, paced to the program's ticks ----
//
// Without the real-time clock the program sleeps 4 ms between passes, and a pass runs the
// ticks that its clock reading says are due (one every 10 ms, app/loop.cpp); a pass with none
// due does nothing at all. Those empty passes were 150 of the 250 wake-ups a second, and on
// an idle desktop the wake-ups are most of what the program costs. So the sleep is made
// longer when, and only when, the pass it would end at certainly has no tick due: the layer
// keeps a bound that the next tick's due time is known to be after, from what it sees of
// every pass (its first clock reading, and whether it asked for events: passes ask only
// when a tick is due), and never sleeps past that bound. A tick is never later than with the
// 4 ms sleep; it runs on the millisecond it falls due.
//   A pass with no tick due: the next tick is due after the pass's reading.
//   A pass with ticks: the next one is due at least one tick after the previous bound (the
//   tick that ran was due after it), and after the pass's reading.
// The program puts its tick clock right (after a stall, a slow picture, a continue signal)
// only with a clock reading of its own, so a pass that read the clock more or less often
// than the pass before it makes the layer forget the bound and sleep as asked until it has
// learnt it again. A sleep is never made longer than one tick.
namespace {

struct PacingReads {
    std::atomic<int> reads{0};               // clock readings since the last sleep
    std::atomic<int64_t> firstReadingMs{0};  // the first of them (whole ms of the real clock)
    bool askedForEvents = false;             // since the last sleep
    SleepPacing pacing;
};
PacingReads pacingReads;

int64_t realUs(const struct timeval& tv) { return int64_t(tv.tv_sec) * 1000000 + tv.tv_usec; }

// Also from the continue signal's handler: atomics only.
void pacingClockRead(const struct timeval& tv) {
    if (pacingReads.reads.fetch_add(1) == 0) pacingReads.firstReadingMs.store(realUs(tv) / 1000);
}

unsigned pacedSleepUs(unsigned us) {
    PacingReads& p = pacingReads;
    int reads = p.reads.exchange(0);
    bool ticked = std::exchange(p.askedForEvents, false);
    struct timeval tv;
    if (hostTimeOfDay(&tv) != 0) return us;
    return p.pacing.sleepUs(reads, p.firstReadingMs.load(), ticked, realUs(tv), us);
}

}  // namespace

unsigned SleepPacing::sleepUs(int reads, int64_t readingMs, bool ticked, int64_t nowUs, unsigned us) {
    if (reads == 0 || reads != lastReads)
        dueAfterMs = Unknown;
    else if (ticked)
        dueAfterMs = std::max(dueAfterMs == Unknown ? Unknown : dueAfterMs + ProgramTickMs, readingMs);
    else
        dueAfterMs = std::max(dueAfterMs, readingMs);
    lastReads = reads;
    if (dueAfterMs == Unknown) return us;
    // The first moment whose whole millisecond is past the bound.
    int64_t untilDue = (dueAfterMs + 1) * 1000 - nowUs;
    if (untilDue <= int64_t(us)) return us;
    return unsigned(std::min<int64_t>(untilDue, ProgramTickMs * 1000));
}

void pacingEventsAsked() { pacingReads.askedForEvents = true; }

int sysGettimeofday(struct timeval* tv) {
    if (sessionActive()) {
        int64_t us = sessionClockUs();
        tv->tv_sec = time_t(us / 1000000);
        tv->tv_usec = suseconds_t(us % 1000000);
        return 0;
    }
    if (!offscreenBackend()) {
        int r = hostTimeOfDay(tv);
        if (r == 0) pacingClockRead(*tv);
        return r;
    }
    tv->tv_sec = time_t(VirtualEpochSeconds + virtualNowUs / 1000000);
    tv->tv_usec = suseconds_t(virtualNowUs % 1000000);
    return 0;
}

int sysUsleep(unsigned us) {
    if (sessionActive()) {
        hostVirtualSleep();
        sessionSleep(us);
        return 0;
    }
    if (!offscreenBackend()) return hostSleepUs(pacedSleepUs(us));
    hostVirtualSleep();
    virtualNowUs += us;
    return 0;
}

int sysOpen(const char* path, int flags) {
    bool rtc = path && !strcmp(path, "/dev/rtc");
    // A recorded session sleeps on the layer's own clock, which the real-time clock's
    // interrupts would bypass.
    const bool noRtc = !hostMayHaveRtc() || offscreenBackend() || sessionActive();
    if (noRtc && rtc) {
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
