// The layer's base, under everything else in platform/: its one state record, the debug log
// and the session clock. The toolkit classes, both back ends and the recording use them.
#include "platform/base.h"
#include <unistd.h>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>
#include "platform/files.h"
#include "platform/layer.h"
#include "platform/toolkit.h"

// Microseconds since program start. The offscreen back end moves it as the program sleeps;
// on the desktop the recording moves it along the real clock.
int64_t virtualNowUs = 0;

LayerState& layer() {
    static LayerState* state = new LayerState();  // never destroyed: atexit order does not matter
    return *state;
}

// ---- debug log ----

static FILE* debugFile = nullptr;
static bool debugToStderr = false;
// Lines logged before the application object existed (the program logs before it creates
// it); they go to the log once the options say where it is.
static std::vector<std::string> earlyLines;

void debugLogOpen(const std::string& target) {
    debugLogClose();
    if (target.empty()) return;
    if (target == "-") {
        debugToStderr = true;
        return;
    }
    std::string why;
    int fd = openOutputFile(target, why);
    debugFile = fd >= 0 ? fdopen(fd, "w") : nullptr;
    if (!debugFile) {
        if (fd >= 0) why = strerror(errno), close(fd);
        fprintf(stderr, "tavrin: cannot write the debug log '%s': %s\n", target.c_str(), why.c_str());
        exit(2);
    }
    setvbuf(debugFile, nullptr, _IOLBF, 0);
}

void debugLogClose() {
    if (debugFile) fclose(debugFile);
    debugFile = nullptr;
    debugToStderr = false;
}

void debugLogEarlyLines() {
    std::vector<std::string> early;
    early.swap(earlyLines);
    for (const std::string& line : early) debugLine(line);
}

void debugLine(const std::string& line) {
    LayerState& L = layer();
    if (!L.appExists) {
        if (earlyLines.size() < 256) earlyLines.push_back(line);
        return;
    }
    if (L.recordDebug && L.debugLines.size() < 100000) L.debugLines.push_back(line);
    if (debugToStderr)
        fprintf(stderr, "%s\n", line.c_str());
    else if (debugFile)
        fprintf(debugFile, "%s\n", line.c_str());
}

static bool debugWanted() {
    const LayerState& L = layer();
    return !L.appExists || L.recordDebug || debugToStderr || debugFile;
}

void qDebug(const char* fmt, ...) {
    if (!debugWanted()) return;  // the common case on a desktop: don't even format
    char buf[1024];
    va_list ap;
    va_start(ap, fmt);
    vsnprintf(buf, sizeof buf, fmt, ap);
    va_end(ap);
    std::string line(buf);
    // The toolkit ends every message with a line end; some callers put one in already.
    while (!line.empty() && line.back() == '\n') line.pop_back();
    debugLine(line);
}
