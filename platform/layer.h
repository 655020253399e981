// Inside of the toolkit layer: what the toolkit classes, the two back ends and the tests of
// the layer share.
// Internal header: only platform/ and its tests include it.
#pragma once
#include <sys/time.h>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <string>
#include <vector>
#include "platform/base.h"
#include "platform/keys.h"

class QWidget;

// The emulated device screen: 16 bits per pixel, 240 x 320 logical pixels, laid out in
// memory as the display's transform orientation turns it.
enum { ScreenWidth = 240, ScreenHeight = 320, FramebufferBytes = 240 * 320 * 2 };

struct FramebufferGeometry {
    int width;     // pixels per framebuffer line
    int height;    // framebuffer lines
    int lineStep;  // bytes from one line to the next
};
FramebufferGeometry framebufferGeometry(int orientation);
// Byte offset in the framebuffer of logical (upright) pixel (x, y).
size_t framebufferOffset(int orientation, int x, int y);
// The upright picture: out receives 240 x 320 RGB565 values, row by row.
void framebufferUpright(const uint8_t* fb, int orientation, uint16_t* out);
// Writes an upright PNG of the framebuffer; temp file + rename, so a failure leaves nothing.
// Returns 0 on success, 1 on failure with the reason in error.
int writeScreenPng(const uint8_t* fb, int orientation, const char* path, std::string& error);

// Layer options, taken off the command line by the application object.
enum class Platform { Desktop, Offscreen };
struct LayerOptions {
    Platform platform = Platform::Desktop;
    int zoom = 0;  // 0: the size remembered, else the largest that fits the desktop
    bool fullscreen = false;
    int orientation = 0;
    bool orientationGiven = false;  // -orientation was on the command line
    std::string script;
    int64_t untilMs = -1;  // -1: the back end's default
    std::string debugLog;  // empty: quiet; "-": standard error
    std::string record;    // -record: write the session to this file
    std::string replay;    // -replay: play this recorded session again
    bool help = false;
};
enum { OffscreenDefaultUntilMs = 600000 };
// The one number parser of the layer's options and scripts: a whole decimal number from lo to
// hi, nothing after it. An option value is read as strtoll reads it (leading blanks and a plus
// sign pass); a script's word must start with a digit or a minus sign.
enum class NumberText { Option, ScriptWord };
bool parseWholeNumber(const char* text, int64_t lo, int64_t hi, int64_t& out, NumberText form);
// Removes the layer's options from argc/argv. Returns 0 when the program may start, 1 after
// -help or -version (the text to print in error), 2 on a bad option (message in error).
int parseLayerOptions(int& argc, char** argv, LayerOptions& out, std::string& error);
const char* layerHelpText();
const char* layerVersionText();  // tavrin and the version, one line

// Window-system events, queued by the back ends and delivered by processEvents.
enum class EventKind { KeyPress, KeyRelease, PenPress, PenMove, PenRelease, FocusIn, FocusOut, Close, Shot, Stop };
struct LayerEvent {
    LayerEvent(EventKind k = EventKind::Close) : kind(k) {}
    EventKind kind;
    int key = 0;
    bool autoRepeat = false;
    int x = 0, y = 0;
    int64_t stopMs = 0;
    std::string path;
};

// One line of an offscreen script, due at virtual time atMs.
struct ScriptEvent {
    int64_t atMs;
    LayerEvent event;
};
// Parses script text. Returns 0 and fills out, or 1 with "file:line: what is wrong" in error.
int parseScript(const std::string& text, const std::string& fileName, std::vector<ScriptEvent>& out,
                std::string& error);
// Reads and parses a script file (a regular file only). Returns 0 and fills out, or 1 with
// the message to show in error ("cannot read the script ...", "bad script: file:line: ...").
int readScriptFile(const std::string& path, std::vector<ScriptEvent>& out, std::string& error);
// Key names of the script: Up Down Left Right Space Enter F33 Escape, or a number.
int scriptKeyCode(const std::string& name);

// A back end: gathers the window system's events and shows presented frames.
class Backend {
public:
    virtual ~Backend() = default;
    // Moves the window system's pending events into the layer's queue.
    virtual void pump(std::deque<LayerEvent>& queue) = 0;
    // A frame was written to the framebuffer and the painter let go of it.
    virtual void present(const uint8_t* fb, int orientation) = 0;
    // The main window was deleted.
    virtual void windowGone() {}
};
Backend* makeDesktopBackend(const LayerOptions& options);    // exits 1 when there is no display
Backend* makeOffscreenBackend(const LayerOptions& options);  // exits 2 on a bad script
// Offscreen sound: the mixer gets SDL's silent driver. Desktop: probes the sound output and
// falls back to the silent driver with one notice. A back end without SDL does nothing.
void chooseAudioDriver(Platform platform);

// ---- the host: what the system under the program does its own way ----
// Each build links one definition of each: platform/posix_host.cpp natively, the browser
// page's in platform/web_backend.cpp. The rest of the layer never asks which build it is in.

// The program's command line, every word (its name first) ended by a NUL; false when it
// cannot be read. Read before the application object exists (sysSystem).
bool hostCommandLine(std::string& out);
// The real clock: the time of day, as gettimeofday gives it, and a monotonic reading.
int hostTimeOfDay(struct timeval* tv);
int64_t hostMonotonicUs();
// The program's sleep on the real clock, already paced (system.cpp): returns 0, or -1 as
// usleep does. The browser's also hands the page its time, and suspends there.
int hostSleepUs(unsigned us);
// A bare wait on the real clock, which may end early (a recorded session's pace, which
// waits again for what is left).
void hostWaitUs(int64_t us);
// At every sleep that does not wait on the real clock (the virtual clock, a session's steps):
// a host that must get control back now and then (the browser's page) takes it here.
void hostVirtualSleep();
// Whether the system can have a real-time clock device at all.
bool hostMayHaveRtc();

// Layer-wide state of the one application object.
struct LayerState {
    bool appExists = false;
    LayerOptions options;
    Backend* backend = nullptr;
    QWidget* mainWidget = nullptr;
    bool focused = true;                                // the window system's focus is on our window
    alignas(64) uint8_t framebuffer[FramebufferBytes];  // on a cache line, like the BackBuffer
    int painters = 0;
    bool painted = false;  // frameBuffer() was taken by the current painter
    bool quitCalled = false;
    int64_t closeDeliveredUs = -1;  // virtual time the first close reached the window; -1: none yet
    std::deque<LayerEvent> queue;
    // Offscreen records, kept when a test asks for them.
    bool recordDebug = false;
    std::vector<std::string> debugLines;
    std::vector<std::string> systemCommands;
    std::vector<std::string> qcopMessages;
};

bool offscreenBackend();

// The desktop's plain sleep, paced to the program's ticks (system.cpp says why and how).
// Given what one pass did, how long the sleep it asked for is made: as asked, or longer up
// to the first moment the next tick can be due, never beyond it and never by more than a tick.
struct SleepPacing {
    enum : int64_t { ProgramTickMs = 10, Unknown = INT64_MIN };
    int lastReads = -1;
    int64_t dueAfterMs = Unknown;  // the next tick is due later than this (whole ms)
    // reads: clock readings in the pass, the first at readingMs (whole ms of the real clock);
    // ticked: the pass asked for events; nowUs: the real clock now.
    unsigned sleepUs(int reads, int64_t readingMs, bool ticked, int64_t nowUs, unsigned us);
};
// The program asked for events (a tick was due).
void pacingEventsAsked();

// SIGTERM arrived and is not yet delivered as a close (a back end that waits looks at it).
bool termPending();

// Libraries that print their own complaints while we only probe (the sound output, the
// display) are silenced for the probe; our own one-line notice says what matters.
int silenceStderr();  // returns the saved descriptor
void restoreStderr(int saved);
