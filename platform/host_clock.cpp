// The host's clocks. Every host so far, a Linux process and a browser page through
// Emscripten's C library, reads them the same way; a host that cannot leaves this file out
// of its build (cmake/libraries.cmake) and brings its own.
#include <sys/time.h>
#include <time.h>
#include "platform/layer.h"

int hostTimeOfDay(struct timeval* tv) { return gettimeofday(tv, nullptr); }

int64_t hostMonotonicUs() {
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return int64_t(ts.tv_sec) * 1000000 + ts.tv_nsec / 1000;
}
