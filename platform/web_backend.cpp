// The web back end: the game in a browser page, built with Emscripten. It takes the desktop's
// place (the build has no SDL): the picture goes to the page's canvas, the page's keys, mouse
// and touch come in as the handheld's keys and stylus, and a hidden or blurred page suspends
// the device as a lost focus does on the desktop. The page's side is platform/web/backend.js.
#include <emscripten.h>
#include <sys/time.h>
#include <time.h>
#include <algorithm>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>
#include "platform/layer.h"
#include "platform/record.h"
#include "platform/system.h"
#include "platform/toolkit.h"

extern "C" {
// platform/web/backend.js
int tavrin_web_take_events(int* out, int max);
void tavrin_web_show(const uint8_t* rgba, int width, int height);
int tavrin_web_hidden();
void tavrin_web_set_suspended(int on);
int tavrin_web_arguments(char* out, int max);
int tavrin_web_storage_loading();
}

namespace {

// What the page's input reports, five ints an event: kind, key code (the browser's keyCode),
// whether it is a repeat, x, y (the stylus in screen pixels, upright).
enum WebEvent { WebKeyDown = 1, WebKeyUp = 2, WebPenDown = 3, WebPenMove = 4, WebPenUp = 5 };

// The browser's key codes onto the toolkit's: what the desktop maps, by the same keys.
int toolkitKey(int keyCode) {
    switch (keyCode) {
    case 38: return Key_Up;
    case 40: return Key_Down;
    case 37: return Key_Left;
    case 39: return Key_Right;
    case 32: return Key_Space;
    case 13: return Key_Enter;
    case 27: return Key_Escape;
    case 9: return Key_Tab;
    case 8: return Key_Backspace;
    case 45: return Key_Insert;
    case 46: return Key_Delete;
    case 19: return Key_Pause;
    case 36: return Key_Home;
    case 35: return Key_End;
    case 33: return Key_PageUp;
    case 34: return Key_PageDown;
    case 16: return Key_Shift;
    case 17: return Key_Control;
    case 18: return Key_Alt;
    case 104: return Key_Up;  // the keypad's 8, 2, 4 and 6 with Num Lock on
    case 98: return Key_Down;
    case 100: return Key_Left;
    case 102: return Key_Right;
    default: break;
    }
    if (keyCode >= 112 && keyCode <= 123) return Key_F1 + (keyCode - 112);
    if (keyCode >= 124 && keyCode <= 135) return Key_F13 + (keyCode - 124);
    return 0;
}

bool progressDeferred = false;
void (*readProgress)() = nullptr;

class WebBackend : public Backend {
public:
    std::vector<uint16_t> upright = std::vector<uint16_t>(ScreenWidth * ScreenHeight);
    std::vector<uint8_t> shown;  // the framebuffer the canvas shows; empty: none yet
    int shownOrientation = -1;
    std::vector<uint8_t> rgba = std::vector<uint8_t>(ScreenWidth * ScreenHeight * 4, 255);
    std::vector<int> held;  // toolkit keys down now, to let go of when the device is off

    bool off = false;  // the device is suspended from the end of this pass on

    void pump(std::deque<LayerEvent>& queue) override {
        // No input reaches the game before its progress: the splash's first pass is the same.
        if (!progressDeferred) take(queue);
        // A replay being watched goes on whether or not the page is looked at.
        if (!off && tavrin_web_hidden() && !sessionReplaying()) suspend(queue);
    }

    void present(const uint8_t* fb, int orientation) override {
        // Most passes draw what is on the canvas already (a menu standing still, 100 times a
        // second): that is found on the framebuffer as it comes, before any conversion.
        if (orientation == shownOrientation && sameFrame(fb, shown.data())) return;
        shown.assign(fb, fb + FramebufferBytes);
        shownOrientation = orientation;
        framebufferUpright(fb, orientation, upright.data());
        show(upright.data());
    }

    static bool sameFrame(const uint8_t* a, const uint8_t* b) {
        // Eight bytes at a time: the C library's memcmp goes byte by byte in WebAssembly.
        static_assert(FramebufferBytes % 8 == 0);
        for (size_t i = 0; i < size_t(FramebufferBytes); i += 8) {
            uint64_t x, y;
            std::memcpy(&x, a + i, 8);
            std::memcpy(&y, b + i, 8);
            if (x != y) return false;
        }
        return true;
    }

    void show(const uint16_t* pixels) {
        for (size_t i = 0; i < size_t(ScreenWidth * ScreenHeight); i++) {
            const uint16_t v = pixels[i];
            // 5 and 6 bits widened as the desktop's conversion does: the top bits repeated.
            const unsigned r = (v >> 11) & 0x1f, g = (v >> 5) & 0x3f, b = v & 0x1f;
            rgba[i * 4] = uint8_t((r << 3) | (r >> 2));
            rgba[i * 4 + 1] = uint8_t((g << 2) | (g >> 4));
            rgba[i * 4 + 2] = uint8_t((b << 3) | (b >> 2));
        }
        tavrin_web_show(rgba.data(), ScreenWidth, ScreenHeight);
    }

    void take(std::deque<LayerEvent>& queue) {
        int events[5 * 64];
        for (;;) {
            int n = tavrin_web_take_events(events, 64);
            for (int i = 0; i < n; i++) add(queue, events + 5 * i);
            if (n < 64) return;
        }
    }

    void add(std::deque<LayerEvent>& queue, const int* e) {
        switch (e[0]) {
        case WebKeyDown:
        case WebKeyUp: {
            const int code = toolkitKey(e[1]);
            if (!code) return;
            const bool down = e[0] == WebKeyDown;
            if (down && e[2]) {
                // The toolkit delivered a held key as release-and-press pairs.
                key(queue, code, false, true);
                key(queue, code, true, true);
                return;
            }
            for (size_t i = 0; i < held.size(); i++)
                if (held[i] == code) held.erase(held.begin() + long(i--));
            if (down) held.push_back(code);
            key(queue, code, down, false);
            return;
        }
        case WebPenDown:
        case WebPenMove:
        case WebPenUp: {
            LayerEvent ev{e[0] == WebPenDown   ? EventKind::PenPress
                          : e[0] == WebPenMove ? EventKind::PenMove
                                               : EventKind::PenRelease};
            ev.x = e[3];
            ev.y = e[4];
            queue.push_back(ev);
            if (ev.kind == EventKind::PenPress)
                debugLine("layer: pen press at " + std::to_string(ev.x) + "," + std::to_string(ev.y) +
                          " of the screen");
            return;
        }
        default: return;
        }
    }

    static void key(std::deque<LayerEvent>& queue, int code, bool press, bool autoRepeat) {
        LayerEvent e{press ? EventKind::KeyPress : EventKind::KeyRelease};
        e.key = code;
        e.autoRepeat = autoRepeat;
        queue.push_back(e);
    }

    // The emulated device goes off: the keys held come back up, as the player's fingers did,
    // and the program's next sleep lasts until the page is looked at again (a sleep is the
    // one place the program may wait: the pass that saw the page go ends first, with the
    // ticks that were due before it went).
    void suspend(std::deque<LayerEvent>& queue) {
        debugLine("layer: suspended (the page is hidden or lost the focus)");
        for (int code : held) key(queue, code, false, false);
        held.clear();
        off = true;
        tavrin_web_set_suspended(1);
    }

    void sleepWhileOff() {
        if (!off) return;
        const double from = emscripten_get_now();
        while (tavrin_web_hidden() && !termPending()) emscripten_sleep(100);
        // What the page took while the device was off, and the tap that woke it, go.
        int events[5 * 64];
        while (tavrin_web_take_events(events, 64) == 64) {
        }
        off = false;
        tavrin_web_set_suspended(0);
        debugLine("layer: continued after " + std::to_string(int64_t(emscripten_get_now() - from)) + " ms");
        // The device was as good as stopped: the program puts its tick clock right, so the
        // time away is not caught up as a burst of ticks.
        raise(SIGCONT);
    }
};

WebBackend* webBackend = nullptr;
double lastYieldMs = 0;

}  // namespace

Backend* makeDesktopBackend(const LayerOptions&) {
    webBackend = new WebBackend();
    return webBackend;
}

void chooseAudioDriver(Platform) {}

// ---- the browser page as the program's host (layer.h) ----

bool sysStorageOpening(void (*read)()) {
    readProgress = read;
    progressDeferred = tavrin_web_storage_loading() != 0;
    return progressDeferred;
}

bool hostCommandLine(std::string& out) {
    // The page's words; a browser has no /proc.
    std::vector<char> buf(4096);
    int n = tavrin_web_arguments(buf.data(), int(buf.size()));
    if (n > int(buf.size())) {
        buf.resize(size_t(n));
        n = tavrin_web_arguments(buf.data(), int(buf.size()));
    }
    out = "tavrin";
    out.push_back('\0');
    out.append(buf.data(), size_t(n));
    return true;
}

// In a browser a sleep must give the page its time back (a plain usleep would spin).
int hostSleepUs(unsigned us) {
    if (progressDeferred) {
        // The first frame is out: now the stored files, then the progress the start skipped.
        while (tavrin_web_storage_loading()) emscripten_sleep(4);
        progressDeferred = false;
        readProgress();
    }
    if (webBackend) webBackend->sleepWhileOff();
    emscripten_sleep((us + 999) / 1000);
    lastYieldMs = emscripten_get_now();
    return 0;
}

// A browser's nanosleep spins, and the page would get no time to take input; reached from
// the loop's sleep by direct calls only, as Asyncify needs.
void hostWaitUs(int64_t us) { emscripten_sleep((unsigned(std::min<int64_t>(us, 1000000)) + 999) / 1000); }

// A run on the virtual clock must not keep the page waiting for minutes.
void hostVirtualSleep() {
    // The virtual clock never sleeps for real: a long script or replay hands the browser a
    // moment now and then, so the page stays alive, and shows the screen as it is.
    const double now = emscripten_get_now();
    if (now - lastYieldMs < 100) return;
    const LayerState& L = layer();
    if (L.appExists) {
        static WebBackend* viewer = nullptr;
        if (!viewer) viewer = webBackend ? webBackend : new WebBackend();
        viewer->present(L.framebuffer, L.options.orientation);
    }
    emscripten_sleep(0);
    lastYieldMs = emscripten_get_now();
}

// A browser has no such device: its in-memory file system would walk its tree and make an
// error object to say so, on every pass of the loop.
bool hostMayHaveRtc() { return false; }
