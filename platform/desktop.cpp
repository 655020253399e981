// The desktop back end: one SDL2 window showing the emulated 240 x 320 screen upright,
// scaled by the largest whole factor that fits the window and centred between black bars.
// Its parts (desktop_backend.h): the window and its settings, the presenter, the input. This
// file joins them: SDL's start-up, tuned for a quick first frame; the event pump, with its
// short cut past SDL on X11; and the suspension of the emulated device while the window has
// lost the focus.
#include <SDL.h>
#include <sys/stat.h>
#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include "platform/desktop_backend.h"
#include "platform/record.h"
#include "platform/toolkit.h"

namespace {

// While nothing comes from the window system SDL is still pumped this often (game
// controllers plugged in, the screensaver kept off); after anything did, on every question
// for this long (SDL hands a focus loss on 200 ms after the X server told it).
enum { QuietPumpMs = 250, BusyPumpMs = 500 };

}  // namespace

DesktopBackend::DesktopBackend() {
    input.fullscreenKey = [this] { setFullscreen(!window.fullscreen); };
}

DesktopBackend::~DesktopBackend() {
    windowGone();
    input.closePads();
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

void DesktopBackend::windowGone() {
    window.close();
    presenter.windowGone();
}

void DesktopBackend::setFullscreen(bool on) {
    if (window.setFullscreen(on)) presenter.repaint(window.sdl);
}

void DesktopBackend::resized(int w, int h) {
    window.resized(w, h);
    presenter.repaint(window.sdl);
    debugLine("layer: window " + std::to_string(w) + "x" + std::to_string(h) + ", zoom " +
              std::to_string(presenter.place.zoom));
}

// ---- events ----

// One SDL event; a focus change only marks the device suspended or not.
void DesktopBackend::handle(const SDL_Event& ev, std::deque<LayerEvent>& queue, bool& closed, uint64_t now) {
    if (input.handle(ev, queue, off, now, presenter.place, presenter.surfaceW, presenter.surfaceH)) return;
    switch (ev.type) {
    case SDL_QUIT: closeOnce(queue, closed); break;
    case SDL_WINDOWEVENT:
        if (!window.sdl || ev.window.windowID != window.id) break;
        switch (ev.window.event) {
        case SDL_WINDOWEVENT_CLOSE: closeOnce(queue, closed); break;
        case SDL_WINDOWEVENT_FOCUS_LOST:
        case SDL_WINDOWEVENT_MINIMIZED:
        case SDL_WINDOWEVENT_HIDDEN: suspended = true; break;
        case SDL_WINDOWEVENT_FOCUS_GAINED: suspended = false; break;
        case SDL_WINDOWEVENT_MAXIMIZED: window.maximizedNow(true); break;
        case SDL_WINDOWEVENT_RESTORED:
            if (!(SDL_GetWindowFlags(window.sdl) & SDL_WINDOW_MAXIMIZED)) window.maximizedNow(false);
            [[fallthrough]];
        case SDL_WINDOWEVENT_SHOWN:
            // Back from the task bar; the focus follows under a window manager, but
            // without one it may not: the window on screen is the player's.
            suspended = false;
            break;
        case SDL_WINDOWEVENT_SIZE_CHANGED: resized(ev.window.data1, ev.window.data2); break;
        case SDL_WINDOWEVENT_EXPOSED: presenter.repaint(window.sdl); break;
        default: break;
        }
        break;
    default: break;
    }
}

void DesktopBackend::suspend(std::deque<LayerEvent>& queue, bool& closed) {
    // The emulated device is off: the program's loop waits here, while the window
    // system is still answered, until the window has the focus again.
    debugLine("layer: suspended (the window lost the focus)");
    off = true;
    // The click that brings the window back only wakes the device; SDL drops one read
    // just after the focus change.
    SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "0");
    // Let go of everything held: the keys come back up, as the player's fingers did.
    input.releaseHeld(queue);
    uint64_t from = SDL_GetTicks64();
    while (suspended && !closed && !termPending()) {
        SDL_Event ev;
        if (SDL_WaitEventTimeout(&ev, 250)) handle(ev, queue, closed, SDL_GetTicks64());
        closeWhenDue(queue, closed);
    }
    // A tap read with the focus is the one that gave it: it goes too.
    SDL_FlushEvent(SDL_MOUSEBUTTONDOWN);
    SDL_FlushEvent(SDL_FINGERDOWN);
    SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
    suspended = false;
    off = false;
    debugLine("layer: continued after " + std::to_string(SDL_GetTicks64() - from) + " ms");
    // The process was as good as stopped: the program puts its tick clock right.
    raise(SIGCONT);
}

void DesktopBackend::pump(std::deque<LayerEvent>& queue) {
    bool closed = false;
    if (presenter.haveFrame && !input.padsAsked()) input.startPads();
    uint64_t now = SDL_GetTicks64();
    // The program asks twice for every tick, microseconds apart; every question costs a
    // handful of system calls, so the window system is asked at most every 2 ms.
    if (now - lastPumpMs < 2) return;
    lastPumpMs = now;
    if (sdlPumpWanted(now)) {
        lastSdlPumpMs = now;
        presenter.talkedToX = window.talkedToX = false;
        SDL_Event ev;
        bool any = false;
        while (SDL_PollEvent(&ev)) {
            any = true;
            handle(ev, queue, closed, now);
        }
        if (any) busyUntilMs = now + BusyPumpMs;
        // A replay being watched goes on whether or not the window has the focus: the
        // recording, not the viewer, decides when the device was off.
        if (suspended && !closed && window.sdl && !sessionReplaying()) suspend(queue, closed);
        suspended = false;
    }
    input.tick(queue);
    closeWhenDue(queue, closed);
}

// Whether SDL must be pumped now. Every X event reaches us (SDL_SYSWMEVENT is on), so a
// pump that read any keeps us pumping for a while, as SDL may still owe events for it.
// Game controllers are read by the pump itself; events pushed by SDL's other threads or
// by the tests wait in its queue.
bool DesktopBackend::sdlPumpWanted(uint64_t now) {
    if (!window.x11 || input.hasPads() || presenter.talkedToX || window.talkedToX || now < busyUntilMs ||
        now - lastSdlPumpMs >= QuietPumpMs)
        return true;
    return SDL_HasEvents(SDL_FIRSTEVENT, SDL_LASTEVENT) || x11InputWaiting(window.x11);
}

// The window system's close and SIGTERM often come together: one close event is enough.
void DesktopBackend::closeOnce(std::deque<LayerEvent>& queue, bool& closed) {
    if (!closed) queue.push_back(LayerEvent{EventKind::Close});
    closed = true;
}

// -until: the window is closed at that real time.
void DesktopBackend::closeWhenDue(std::deque<LayerEvent>& queue, bool& closed) {
    if (untilMs >= 0 && !closeSent && int64_t(SDL_GetTicks64() - startTicks) >= untilMs) {
        closeSent = true;
        closeOnce(queue, closed);
    }
}

DesktopBackend* desktopBackend() {
    LayerState& L = layer();
    if (!L.appExists || L.options.platform != Platform::Desktop) return nullptr;
    return static_cast<DesktopBackend*>(L.backend);
}

// ---- start-up ----

namespace {

// The display the player meant: X11's, else Wayland's; empty when neither is set.
std::string displayName() {
    const char* x = getenv("DISPLAY");
    const char* wl = getenv("WAYLAND_DISPLAY");
    if (x && *x) return x;
    if (wl && *wl) return wl;
    return "";
}

// Whether the session's message bus is at its usual place, $XDG_RUNTIME_DIR/bus, where the
// bus library looks when no address is given.
bool sessionBusSocket() {
    const char* runtime = getenv("XDG_RUNTIME_DIR");
    struct stat st;
    return runtime && *runtime && stat((std::string(runtime) + "/bus").c_str(), &st) == 0 && S_ISSOCK(st.st_mode);
}

}  // namespace

// Ends the run: no window can be opened. What SDL said in detail goes to the debug log; the
// player is told in the window system's own terms.
[[noreturn]] void noDisplay(const std::string& sdlError) {
    debugLine("layer: no window: " + sdlError);
    std::string name = displayName();
    if (name.empty())
        fprintf(stderr, "tavrin: cannot open a display: DISPLAY is not set\n");
    else
        fprintf(stderr, "tavrin: cannot open display %s\n", name.c_str());
    fprintf(stderr, "tavrin: without a display, run it with -platform offscreen\n");
    exit(1);
}

Backend* makeDesktopBackend(const LayerOptions& options) {
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    SDL_SetHint(SDL_HINT_VIDEO_X11_NET_WM_BYPASS_COMPOSITOR, "0");
    // The finger must not also come as a mouse.
    SDL_SetHint(SDL_HINT_TOUCH_MOUSE_EVENTS, "0");
    // SDL drops a click read within 10 ms of a focus change. Without a window manager the
    // window is given the focus as it appears, so the player's first tap could vanish on a
    // slow machine. Only the click that wakes a suspended device is dropped (see suspend()).
    SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
    // The client libraries that SDL tries in turn complain on standard error when their
    // window system is not there (Wayland's about XDG_RUNTIME_DIR, for one); our own message
    // says what matters. The debug log, when asked for, lets them through.
    int saved = options.debugLog.empty() ? silenceStderr() : -1;
    // SDL opens an X input method for text entry, and Xlib's own one reads and parses the
    // locale's whole compose table for it: a third of the start-up's CPU after the
    // libraries are loaded. The game reads keys, never composed text, so Xlib is given an
    // empty table while SDL starts; the setting is put back at once, for nothing else to see.
    const char* compose = getenv("XCOMPOSEFILE");
    std::string composeWas = compose ? compose : "";
    setenv("XCOMPOSEFILE", "/dev/null", 1);
    // SDL also joins the session's message bus (for the screensaver and input methods).
    // Where no session bus can be found, the bus library would fork to start one of its
    // own, which nobody offers either service on: SDL is told there is none instead.
    bool noBus = !getenv("DBUS_SESSION_BUS_ADDRESS") && !sessionBusSocket();
    if (noBus) setenv("DBUS_SESSION_BUS_ADDRESS", "disabled:", 1);
    int r = SDL_InitSubSystem(SDL_INIT_VIDEO);
    if (noBus) unsetenv("DBUS_SESSION_BUS_ADDRESS");
    if (compose)
        setenv("XCOMPOSEFILE", composeWas.c_str(), 1);
    else
        unsetenv("XCOMPOSEFILE");
    restoreStderr(saved);
    if (r != 0) noDisplay(SDL_GetError());
    const char* driver = SDL_GetCurrentVideoDriver();
    if (!driver || !strcmp(driver, "offscreen") || !strcmp(driver, "dummy")) {
        // SDL falls back on a driver that shows nothing when no window system answered.
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        noDisplay(std::string("SDL chose its ") + (driver ? driver : "no") + " video driver");
    }
    // Our own pass puts the picture in the window surface: on X11, which shows a surface
    // by itself (shared memory), SDL must not put a GL texture behind it. Drivers without
    // a surface of their own keep SDL's texture.
    if (!strcmp(driver, "x11")) SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");

    auto* b = new DesktopBackend();
    std::string why;
    if (!b->window.open(
            options, [b](bool on) { b->setFullscreen(on); }, why)) {
        delete b;
        noDisplay(why);
    }
    b->untilMs = options.untilMs;
    b->startTicks = SDL_GetTicks64();
    b->presenter.repaint(b->window.sdl);
    SDL_RaiseWindow(b->window.sdl);

    // Every X event also comes as an SDL event, so that the pump knows when one was read.
    if (b->window.x11) SDL_EventState(SDL_SYSWMEVENT, SDL_ENABLE);

    const char* format = SDL_GetPixelFormatName(SDL_GetWindowPixelFormat(b->window.sdl));
    int w, h;
    SDL_GetWindowSize(b->window.sdl, &w, &h);
    debugLine(std::string("layer: desktop window, zoom ") + std::to_string(b->presenter.place.zoom) + ", " +
              std::to_string(w) + "x" + std::to_string(h) + (b->window.fullscreen ? " fullscreen" : "") +
              (b->window.maximized ? " maximized" : "") + ", video driver " + driver + ", window surface " + format +
              (b->window.windowManager ? ", window manager" : ", no window manager"));
    return b;
}
