// The layer's command-line options. They are read and removed before the program sees its
// arguments, as a toolkit does with its own options.
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include "platform/layer.h"

// The project's version, given by the build (CMake's project version).
#ifndef TAVRIN_VERSION
#define TAVRIN_VERSION "unknown"
#endif

const char* layerHelpText() {
    return "Options of the toolkit layer (the game itself takes none):\n"
           "  -platform desktop|offscreen  desktop: an SDL window (default); offscreen: no window,\n"
           "                               a virtual clock, input from a script\n"
           "  -zoom N                      desktop: whole scale factor of the window (1..16; default:\n"
           "                               the size it had last time, else the largest that fits)\n"
           "  -fullscreen                  desktop: start fullscreen (F11 or Alt+Enter toggles)\n"
           "  -orientation 0|2|3           transform orientation of the emulated display (default 0)\n"
           "  -script FILE                 offscreen: window-system events to replay (see README.md)\n"
           "  -until MS                    close the window at this time (offscreen: virtual ms since\n"
           "                               start, default 600000; desktop: real ms, default never)\n"
           "  -debuglog FILE               write the toolkit debug log to FILE ('-' = standard error);\n"
           "                               without it the log is quiet\n"
           "  -record FILE                 record the session (clock, events, frame checks) to FILE\n"
           "  -replay FILE                 play a recorded session again: offscreen, check every frame\n"
           "                               (status 4 at the first that differs); desktop, watch it\n"
           "  -version                     print the version and exit\n"
           "  -help                        print this text and exit\n";
}

const char* layerVersionText() { return "tavrin " TAVRIN_VERSION "\n"; }

bool parseWholeNumber(const char* text, int64_t lo, int64_t hi, int64_t& out, NumberText form) {
    if (!text || !*text) return false;
    if (form == NumberText::ScriptWord && !((text[0] >= '0' && text[0] <= '9') || text[0] == '-')) return false;
    errno = 0;
    char* end = nullptr;
    long long v = strtoll(text, &end, 10);
    if (errno || *end || v < lo || v > hi) return false;
    out = v;
    return true;
}

static bool parseNumber(const char* s, int64_t lo, int64_t hi, int64_t& out) {
    return parseWholeNumber(s, lo, hi, out, NumberText::Option);
}

int parseLayerOptions(int& argc, char** argv, LayerOptions& out, std::string& error) {
    out = LayerOptions();
    int kept = argc > 0 ? 1 : 0;
    for (int i = 1; i < argc; i++) {
        std::string opt = argv[i];
        if (opt.empty() || opt[0] != '-' || opt == "-") {
            argv[kept++] = argv[i];  // not ours: the program's (it takes none, but leaves them be)
            continue;
        }
        // Accept the GNU spelling with two dashes too.
        if (opt.size() > 2 && opt[1] == '-') opt.erase(0, 1);
        if (opt == "-help" || opt == "-h") {
            out.help = true;
            error = layerHelpText();
            argc = kept;
            argv[argc] = nullptr;
            return 1;
        }
        if (opt == "-version") {
            error = layerVersionText();
            argc = kept;
            argv[argc] = nullptr;
            return 1;
        }
        if (opt == "-fullscreen") {
            out.fullscreen = true;
            continue;
        }
        static const char* const withValue[] = {"-platform", "-zoom",     "-orientation", "-script",
                                                "-until",    "-debuglog", "-record",      "-replay"};
        bool known = false;
        for (const char* w : withValue) known = known || opt == w;
        if (!known) {
            error = "unknown option '" + std::string(argv[i]) + "' (try -help)";
            return 2;
        }
        if (i + 1 >= argc) {
            error = "option " + opt + " needs a value (try -help)";
            return 2;
        }
        const char* value = argv[++i];
        int64_t n = 0;
        if (opt == "-platform") {
            if (!strcmp(value, "desktop"))
                out.platform = Platform::Desktop;
            else if (!strcmp(value, "offscreen"))
                out.platform = Platform::Offscreen;
            else {
                error = "-platform takes desktop or offscreen, not '" + std::string(value) + "'";
                return 2;
            }
        } else if (opt == "-zoom") {
            if (!parseNumber(value, 1, 16, n)) {
                error = "-zoom takes a whole number from 1 to 16, not '" + std::string(value) + "'";
                return 2;
            }
            out.zoom = int(n);
        } else if (opt == "-orientation") {
            if (!parseNumber(value, 0, 3, n) || n == 1) {
                error = "-orientation takes 0, 2 or 3, not '" + std::string(value) + "'";
                return 2;
            }
            out.orientation = int(n);
            out.orientationGiven = true;
        } else if (opt == "-script") {
            if (!*value) {
                error = "-script needs a file name";
                return 2;
            }
            out.script = value;
        } else if (opt == "-until") {
            if (!parseNumber(value, 0, INT64_C(1) << 40, n)) {
                error = "-until takes a time in milliseconds, not '" + std::string(value) + "'";
                return 2;
            }
            out.untilMs = n;
        } else if (opt == "-debuglog") {
            if (!*value) {
                error = "-debuglog needs a file name or '-'";
                return 2;
            }
            out.debugLog = value;
        } else if (opt == "-record" || opt == "-replay") {
            if (!*value) {
                error = opt + " needs a file name";
                return 2;
            }
            (opt == "-record" ? out.record : out.replay) = value;
        }
    }
    if (!out.script.empty() && out.platform != Platform::Offscreen) {
        error = "-script works only with -platform offscreen";
        return 2;
    }
    if (!out.replay.empty() && !out.script.empty()) {
        error = "-replay and -script do not go together: the recording holds the events";
        return 2;
    }
    if (!out.replay.empty() && !out.record.empty()) {
        error = "-replay and -record do not go together: replay the recording itself";
        return 2;
    }
    // A replay ends when the recorded session ends, not at the offscreen default time.
    if (!out.replay.empty() && out.untilMs < 0) out.untilMs = INT64_C(1) << 40;
    argc = kept;
    argv[argc] = nullptr;
    return 0;
}
