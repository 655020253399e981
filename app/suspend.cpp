// Living on a battery device: the precise short sleep on the real-time clock between loop
// passes, and putting the tick clock right after the process was stopped or suspended.
#include <fcntl.h>
#include <linux/rtc.h>
#include <sys/time.h>
#include <unistd.h>
#include <cerrno>
#include <csignal>

#include "app/app.h"
#include "game/state.h"
#include "platform/system.h"

// Same origin as nowMs: seconds from 2001-09-09, wrapped to 32 bits.
static int64_t usFrom(const struct timeval& tv) {
    int32_t s = int32_t(uint32_t(uint64_t(tv.tv_sec) - 1000000000u));
    return int64_t(s) * 1000000 + tv.tv_usec;
}

static int64_t msFrom(const struct timeval& tv) {
    int32_t s = int32_t(uint32_t(uint64_t(tv.tv_sec) - 1000000000u));
    return int64_t(s) * 1000 + tv.tv_usec / 1000;
}

int64_t nowUs() {
    struct timeval tv = {0, 0};
    sysGettimeofday(&tv);  // a failure leaves the zero time
    return usFrom(tv);
}

static int64_t sleepStart, sleepDeadline, sleepLastRead;

// The rate request carries the width of an unsigned long in its number: 0x4004700C on the
// handheld's 32-bit ARM, 0x4008700C on a 64-bit host, where the 32-bit number is refused.
const unsigned long rtcRateRequest = RTC_IRQP_SET;

int32_t rtcSleep(uint32_t us) {
    if (us == 0) return 1;
    sleepStart = nowUs();
    sleepLastRead = sleepStart;
    int fd = sysOpen("/dev/rtc", O_RDONLY);
    if (fd < 0) return 0;
    // 8192 periodic interrupts a second: each read blocks for about 122 us.
    if (sysIoctl(fd, rtcRateRequest, 8192) < 0 || sysIoctl(fd, RTC_PIE_ON, 0) < 0) {
        sysClose(fd);
        return 0;
    }
    sleepDeadline = sleepStart + us;
    while (sleepDeadline - sleepLastRead > 0) {
        // A failing read returns at once; polling the clock still ends the sleep on time.
        uint32_t data;
        sysRead(fd, &data, sizeof data);
        sleepLastRead = nowUs();
    }
    sysIoctl(fd, RTC_PIE_OFF, 0);
    sysClose(fd);
    return 1;
}

void onSigCont(int sig) {
    // Only async-signal-safe work here: write(2), the clock read and signal().
    int savedErrno = errno;
    static const char message[] = "SIGCONT received";
    ssize_t written = write(2, message, sizeof message - 1);
    (void)written;
    // The time spent stopped is not caught up as ticks. This is resyncClock without its
    // debug line, which is not safe in a handler; a failed clock reads as 0 as in nowMs.
    struct timeval tv;
    if (sysGettimeofday(&tv) == 0)
        nextTickTime = msFrom(tv);
    else
        nextTickTime = 0;
    std::signal(sig, onSigCont);
    errno = savedErrno;
}
