// The host of the native builds (desktop or offscreen only): a Linux process, with /proc, a
// real sleep, the real-time clock device, and its files on disk from the start. The web build
// has its own host in platform/web_backend.cpp instead.
#include <sys/time.h>
#include <time.h>
#include <unistd.h>
#include <cstdio>
#include <string>
#include "platform/layer.h"
#include "platform/system.h"

bool hostCommandLine(std::string& out) {
    FILE* f = fopen("/proc/self/cmdline", "rb");
    if (!f) return false;
    out.clear();
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
    fclose(f);
    return true;
}

int hostSleepUs(unsigned us) { return usleep(us); }

void hostWaitUs(int64_t us) {
    struct timespec ts {
        time_t(us / 1000000), long(us % 1000000) * 1000
    };
    nanosleep(&ts, nullptr);
}

void hostVirtualSleep() {}

bool hostMayHaveRtc() { return true; }

bool sysStorageOpening(void (*)()) { return false; }
