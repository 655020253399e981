// The wall clock the loop ticks by, read through the toolkit so that the offscreen back end's
// virtual clock stands in for it.
#include <sys/time.h>

#include "platform/system.h"
#include "platform/toolkit.h"
#include "state/state.h"

int64_t nowMs() {
    struct timeval tv;
    if (sysGettimeofday(&tv) != 0) {
        qDebug("error: gettimeofday\n");
        return 0;
    }
    // Seconds counted from 2001-09-09 so that they fit a signed 32-bit value for a long while.
    int32_t s = int32_t(uint32_t(uint64_t(tv.tv_sec) - 1000000000u));
    return int64_t(s) * 1000 + tv.tv_usec / 1000;
}
