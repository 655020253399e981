// The desktop back end: one SDL2 window showing the emulated 240 x 320 screen upright,
// scaled by the largest whole factor that fits the window and centred between black bars.
// A frame is turned, converted and scaled in one pass of our own straight into the window
// surface, and only when it differs from the one on screen; no GL driver is loaded. SDL's
// events become the toolkit's key, pen and close events; game controllers and touch become
// the handheld's keys and stylus; losing the focus suspends the emulated device.
#include "platform/desktop.h"
#include <SDL.h>
#include <png.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include "platform/layer.h"
#include "platform/record.h"
#include "platform/toolkit.h"

// The window icon: a PNG drawn by the asset generator, embedded by the build (icon.cpp).
const unsigned char* tavrinIconPng();
size_t tavrinIconPngSize();
// The X connection under SDL, and whether it has anything unread (desktop_x11.cpp).
void* x11Connection(SDL_Window* window);
bool x11InputWaiting(void* connection);
bool x11WindowManagerRunning(void* connection);

namespace {

// The desktop's keys for the named keys of the key table (toolkit.h). The handheld's one
// Enter key has two here, both shifts, controls and alts are one key each, and the keypad's
// 8, 2, 4 and 6 are the cursor keys.
struct DesktopKey {
    SDL_Keycode sym;
    int code;
};
constexpr DesktopKey DesktopKeys[] = {
    {SDLK_UP, Key_Up},
    {SDLK_DOWN, Key_Down},
    {SDLK_LEFT, Key_Left},
    {SDLK_RIGHT, Key_Right},
    {SDLK_SPACE, Key_Space},
    {SDLK_RETURN, Key_Enter},
    {SDLK_KP_ENTER, Key_Enter},
    {SDLK_ESCAPE, Key_Escape},
    {SDLK_TAB, Key_Tab},
    {SDLK_BACKSPACE, Key_Backspace},
    {SDLK_INSERT, Key_Insert},
    {SDLK_DELETE, Key_Delete},
    {SDLK_PAUSE, Key_Pause},
    {SDLK_HOME, Key_Home},
    {SDLK_END, Key_End},
    {SDLK_PAGEUP, Key_PageUp},
    {SDLK_PAGEDOWN, Key_PageDown},
    {SDLK_LSHIFT, Key_Shift},
    {SDLK_RSHIFT, Key_Shift},
    {SDLK_LCTRL, Key_Control},
    {SDLK_RCTRL, Key_Control},
    {SDLK_LALT, Key_Alt},
    {SDLK_RALT, Key_Alt},
    {SDLK_KP_8, Key_Up},
    {SDLK_KP_2, Key_Down},
    {SDLK_KP_4, Key_Left},
    {SDLK_KP_6, Key_Right},
};

int toolkitKey(SDL_Keycode k) {
    for (const DesktopKey& d : DesktopKeys)
        if (d.sym == k) return d.code;
    if (k >= SDLK_F1 && k <= SDLK_F12) return Key_F1 + int(k - SDLK_F1);  // so F33 would be Key_F33
    if (k >= SDLK_F13 && k <= SDLK_F24) return Key_F13 + int(k - SDLK_F13);
    if (k >= 'a' && k <= 'z') return int(k) - 'a' + 'A';  // letters: the toolkit numbers them by their capital
    if (k >= 0x20 && k < 0x7f) return int(k);
    return 0;
}

// Gamepad buttons that act as the handheld's keys. A, B and Start are the device's own
// fire key, which no desktop keyboard has.
int padKey(int button) {
    switch (button) {
    case SDL_CONTROLLER_BUTTON_DPAD_UP: return Key_Up;
    case SDL_CONTROLLER_BUTTON_DPAD_DOWN: return Key_Down;
    case SDL_CONTROLLER_BUTTON_DPAD_LEFT: return Key_Left;
    case SDL_CONTROLLER_BUTTON_DPAD_RIGHT: return Key_Right;
    case SDL_CONTROLLER_BUTTON_A:
    case SDL_CONTROLLER_BUTTON_B:
    case SDL_CONTROLLER_BUTTON_START: return Key_F33;
    default: return 0;
    }
}

// The left stick counts as a cursor key once it is pushed past this (of 32767).
enum { StickDeadZone = 12000 };

// While nothing comes from the window system SDL is still pumped this often (game
// controllers plugged in, the screensaver kept off); after anything did, on every question
// for this long (SDL hands a focus loss on 200 ms after the X server told it).
enum { QuietPumpMs = 250, BusyPumpMs = 500 };

double cpuMsSinceExec() {
    struct rusage ru;
    getrusage(RUSAGE_SELF, &ru);
    return double(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) * 1000 +
           double(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1000;
}

class DesktopBackend : public Backend {
public:
    SDL_Window* window = nullptr;
    Uint32 windowId = 0;
    // The window surface as last seen; a new one (after a resize) is painted whole.
    SDL_Surface* surface = nullptr;
    int surfaceW = 0, surfaceH = 0;
    Uint32 lutFormat = 0;
    std::vector<uint32_t> lut;  // RGB565 -> the surface's pixel format
    Placement place{1, 0, 0, ScreenWidth, ScreenHeight};
    // The frame on screen, in framebuffer order, to skip frames that change nothing.
    std::vector<uint8_t> shown;
    int shownOrientation = 0;
    bool haveFrame = false;

    bool fullscreen = false;
    bool maximized = false;
    WindowSettings settings;  // the window as it is; saved when the player changed it
    std::string settingsPath;
    bool settingsChanged = false;
    // The normal size before the last change, and when that change came: a window manager
    // may resize the window for a maximise before it says it maximised it.
    int earlierW = 0, earlierH = 0;
    uint64_t sizeChangedMs = 0;

    bool penDown = false;     // the mouse or the finger holds the stylus down
    SDL_FingerID finger = 0;  // the one finger that is the stylus
    bool fingerDown = false;
    bool swallowReturn = false;  // Return went to Alt+Enter: its repeats and release too

    // Gamepads, and the keys they hold.
    std::vector<SDL_GameController*> pads;
    HeldKeys padKeys;
    std::vector<std::pair<SDL_JoystickID, int>> stickKeys;  // keys held by each stick
    bool padSubsystem = false;
    bool padsAsked = false;  // game controllers are looked for once the first frame is shown
    // The keyboard's own repeat, measured, so held gamepad keys repeat the same way.
    SDL_Keycode repeatKey = 0;
    uint64_t repeatDownMs = 0, repeatLastMs = 0;
    int repeatsSeen = 0;

    int64_t untilMs = -1;
    bool closeSent = false;
    uint64_t startTicks = 0;
    bool suspended = false;
    // The device is off: the program waits inside suspend(). Input is dropped only then, not
    // on the way there: a batch of window events may hold a focus loss and a click in either
    // order, and the click that came before must not be lost.
    bool off = false;
    uint64_t lastPumpMs = 0;
    // Asking SDL (SDL_PollEvent) costs six system calls and the X library's locks, 100 times
    // a second; a menu nobody touches needs one look at the X connection instead.
    void* x11 = nullptr;  // null: not X11, SDL is pumped on every question
    uint64_t lastSdlPumpMs = 0;
    uint64_t busyUntilMs = 0;  // something came lately: pump on every question until then
    bool talkedToX = false;    // our requests' replies may have brought events along

    ~DesktopBackend() override {
        windowGone();
        for (SDL_GameController* c : pads) SDL_GameControllerClose(c);
        if (padSubsystem) SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }

    void windowGone() override {
        if (window) {
            saveSettings();
            SDL_DestroyWindow(window);
        }
        window = nullptr;
        surface = nullptr;
    }

    void saveSettings() {
        if (!settingsChanged) return;
        settingsChanged = false;
        std::string error;
        if (saveWindowSettings(settingsPath, settings, error)) {
            // As for a failed save of the progress: the player never sees the debug log.
            static bool told = false;
            if (!told) fprintf(stderr, "tavrin: cannot save the window settings: %s\n", error.c_str());
            told = true;
            debugLine("layer: window settings not saved: " + error);
        } else
            debugLine("layer: window settings saved to " + settingsPath);
    }

    // ---- presenting ----

    // A new window surface is fresh shared memory: its first paint would take a page fault
    // for every 4 KB of it (675 at zoom 3), each a trip into the kernel, which on a virtual
    // machine costs more than the painting. One call maps them all in; where the kernel is
    // too old for it, the faults happen as before.
    static void populate(void* pixels, size_t bytes) {
#ifdef MADV_POPULATE_WRITE
        const uintptr_t page = uintptr_t(sysconf(_SC_PAGESIZE));
        const uintptr_t start = uintptr_t(pixels) & ~(page - 1);
        const uintptr_t end = (uintptr_t(pixels) + bytes + page - 1) & ~(page - 1);
        if (pixels && bytes) madvise(reinterpret_cast<void*>(start), end - start, MADV_POPULATE_WRITE);
#else
        (void)pixels;
        (void)bytes;
#endif
    }

    // The window surface, fetched again after a resize; false when there is none.
    bool takeSurface(bool& fresh) {
        fresh = false;
        if (!window) return false;
        SDL_Surface* s = SDL_GetWindowSurface(window);
        if (!s) return false;
        if (s != surface || s->w != surfaceW || s->h != surfaceH) {
            surface = s;
            surfaceW = s->w;
            surfaceH = s->h;
            place = placePicture(s->w, s->h);
            fresh = true;
            populate(s->pixels, size_t(s->pitch) * size_t(s->h));
        }
        if (s->format->format != lutFormat) {
            lutFormat = s->format->format;
            lut.resize(65536);
            // A packed pixel is its channels' bits side by side: map each channel's values
            // once (with the alpha bits, the same in all) and put the table together.
            // 5 and 6 bits are widened with their top bits, so white stays white.
            uint32_t red[32], green[64], blue[32];
            for (uint32_t c = 0; c < 64; c++) {
                const auto wide5 = uint8_t((c & 31) << 3 | (c & 31) >> 2), wide6 = uint8_t(c << 2 | c >> 4);
                if (c < 32) red[c] = SDL_MapRGBA(s->format, wide5, 0, 0, 255);
                if (c < 32) blue[c] = SDL_MapRGBA(s->format, 0, 0, wide5, 255);
                green[c] = SDL_MapRGBA(s->format, 0, wide6, 0, 255);
            }
            for (uint32_t v = 0; v < 65536; v++) lut[v] = red[v >> 11] | green[(v >> 5) & 63] | blue[v & 31];
        }
        return true;
    }

    // Upright row y of the emulated screen, turned, converted and widened by the zoom.
    template <typename Pixel>
    void scaleRow(const uint8_t* fb, int orientation, int y, Pixel* out) const {
        const int z = place.zoom;
        for (int x = 0; x < ScreenWidth; x++) {
            const uint8_t* p = orientation == 0 ? fb + (size_t(y) * ScreenWidth + size_t(x)) * 2
                                                : fb + framebufferOffset(orientation, x, y);
            Pixel v = Pixel(lut[p[0] | p[1] << 8]);
            for (int k = 0; k < z; k++) *out++ = v;
        }
    }

    template <typename Pixel>
    void paintRows(const uint8_t* fb, int orientation, int y0, int y1) {
        auto* base = static_cast<uint8_t*>(surface->pixels);
        const size_t pitch = size_t(surface->pitch);
        const int z = place.zoom;
        const size_t rowBytes = size_t(ScreenWidth) * size_t(z) * sizeof(Pixel);
        for (int y = y0; y <= y1; y++) {
            uint8_t* first = base + size_t(place.y + y * z) * pitch + size_t(place.x) * sizeof(Pixel);
            scaleRow(fb, orientation, y, reinterpret_cast<Pixel*>(first));
            for (int k = 1; k < z; k++) memcpy(first + size_t(k) * pitch, first, rowBytes);
        }
    }

    // The whole picture into a window smaller than the screen: each window pixel takes the
    // screen pixel under its top left corner.
    template <typename Pixel>
    void paintShrunk(const uint8_t* fb, int orientation) {
        auto* base = static_cast<uint8_t*>(surface->pixels);
        const size_t pitch = size_t(surface->pitch);
        for (int oy = 0; oy < place.height; oy++) {
            const int y = oy * ScreenHeight / place.height;
            auto* out = reinterpret_cast<Pixel*>(base + size_t(place.y + oy) * pitch) + place.x;
            for (int ox = 0; ox < place.width; ox++) {
                const uint8_t* p = fb + framebufferOffset(orientation, ox * ScreenWidth / place.width, y);
                out[ox] = Pixel(lut[p[0] | p[1] << 8]);
            }
        }
    }

    // The black bars around the picture; the picture's own pixels are all painted after,
    // so they are not written twice (the first frame writes a surface of megabytes).
    void fillBars() {
        const Uint32 black = SDL_MapRGB(surface->format, 0, 0, 0);
        const int right = place.x + place.width, bottom = place.y + place.height;
        const SDL_Rect bars[] = {{0, 0, surfaceW, place.y},
                                 {0, bottom, surfaceW, surfaceH - bottom},
                                 {0, place.y, place.x, place.height},
                                 {right, place.y, surfaceW - right, place.height}};
        for (const SDL_Rect& r : bars)
            if (r.w > 0 && r.h > 0) SDL_FillRect(surface, &r, black);
    }

    // Paints upright rows y0..y1 of the frame into the surface and shows them; a fresh
    // surface is cleared to black (the bars) and shown whole.
    void paint(const uint8_t* fb, int orientation, int y0, int y1, bool whole) {
        if (SDL_MUSTLOCK(surface) && SDL_LockSurface(surface) != 0) return;
        if (whole) {
            fillBars();
            y0 = 0;
            y1 = ScreenHeight - 1;
        }
        if (place.zoom == 0) {
            // Smaller than the screen: the whole picture is shrunk again for any change.
            y0 = 0;
            y1 = ScreenHeight - 1;
            switch (surface->format->BytesPerPixel) {
            case 4: paintShrunk<uint32_t>(fb, orientation); break;
            case 2: paintShrunk<uint16_t>(fb, orientation); break;
            default: break;
            }
        } else if (y0 <= y1) {
            switch (surface->format->BytesPerPixel) {
            case 4: paintRows<uint32_t>(fb, orientation, y0, y1); break;
            case 2: paintRows<uint16_t>(fb, orientation, y0, y1); break;
            default: break;
            }
        }
        if (SDL_MUSTLOCK(surface)) SDL_UnlockSurface(surface);
        if (whole) {
            SDL_UpdateWindowSurface(window);
        } else {
            SDL_Rect r{place.x, place.y, place.width, place.height};
            if (place.zoom > 0) r = {place.x, place.y + y0 * place.zoom, place.width, (y1 - y0 + 1) * place.zoom};
            SDL_UpdateWindowSurfaceRects(window, &r, 1);
        }
        talkedToX = true;
    }

    // The rows of the upright picture that differ from the frame on screen: [y0, y1], or
    // y0 > y1 when none do; and the framebuffer's bytes that hold them, [from, to).
    void changedRows(const uint8_t* fb, int orientation, int& y0, int& y1, size_t& from, size_t& to) const {
        y0 = 0;
        y1 = -1;
        from = 0;
        to = FramebufferBytes;
        if (memcmp(fb, shown.data(), FramebufferBytes) == 0) return;
        if (orientation == 3) {  // framebuffer lines are screen columns: take the whole frame
            y1 = ScreenHeight - 1;
            return;
        }
        const size_t line = ScreenWidth * 2;
        int first = 0, last = ScreenHeight - 1;
        while (memcmp(fb + size_t(first) * line, shown.data() + size_t(first) * line, line) == 0) first++;
        while (memcmp(fb + size_t(last) * line, shown.data() + size_t(last) * line, line) == 0) last--;
        from = size_t(first) * line;
        to = size_t(last + 1) * line;
        // Orientation 2 keeps the screen's rows bottom up.
        y0 = orientation == 2 ? ScreenHeight - 1 - last : first;
        y1 = orientation == 2 ? ScreenHeight - 1 - first : last;
    }

    void present(const uint8_t* fb, int orientation) override {
        bool fresh = false;
        if (!takeSurface(fresh)) return;
        int y0 = 0, y1 = ScreenHeight - 1;
        size_t from = 0, to = FramebufferBytes;
        if (haveFrame && orientation == shownOrientation && !fresh) {
            changedRows(fb, orientation, y0, y1, from, to);
            if (y0 > y1) return;  // the same picture is on screen already
        }
        // Only the lines that changed need keeping: the rest are equal already.
        memcpy(shown.data() + from, fb + from, to - from);
        shownOrientation = orientation;
        paint(fb, orientation, y0, y1, fresh || !haveFrame);
        if (!haveFrame)
            debugLine("layer: first frame shown, CPU since exec " + std::to_string(cpuMsSinceExec()) + " ms");
        haveFrame = true;
    }

    // The window was exposed or resized: show what is on screen again.
    void repaint() {
        if (!haveFrame) {
            // The first frame paints the whole window: filling it black first only doubled
            // the start-up's largest write. The placement is kept current for pen presses.
            int w = 0, h = 0;
            if (window) SDL_GetWindowSize(window, &w, &h);
            place = placePicture(w, h);
            return;
        }
        bool fresh = false;
        if (!takeSurface(fresh)) return;
        talkedToX = true;
        if (!fresh) {
            SDL_UpdateWindowSurface(window);
            return;
        }
        if (haveFrame) {
            paint(shown.data(), shownOrientation, 0, ScreenHeight - 1, true);
        } else {
            SDL_FillRect(surface, nullptr, SDL_MapRGB(surface->format, 0, 0, 0));
            SDL_UpdateWindowSurface(window);
        }
    }

    // ---- the window ----

    // Fullscreen is the window manager's to give. Without one (a bare X server) nobody
    // would act on the request: the window then covers the display by itself.
    bool windowManager = true;
    bool coveredByUs = false;  // fullscreen without a window manager: our own covering window

    // Asked again at every toggle: a window manager may have started or gone meanwhile.
    bool windowManagerRunning() {
        if (!x11) return true;  // other window systems always manage their windows
        talkedToX = true;
        return x11WindowManagerRunning(x11);
    }

    void setFullscreen(bool on) {
        if (!window || on == fullscreen) return;
        int display = std::max(0, SDL_GetWindowDisplayIndex(window));
        if (on) {
            windowManager = windowManagerRunning();
            coveredByUs = !windowManager;
        }
        if (!coveredByUs) {
            if (SDL_SetWindowFullscreen(window, on ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0) != 0) {
                debugLine(std::string("layer: fullscreen refused: ") + SDL_GetError());
                return;
            }
            // SDL gives back the normal size on the way out; a window that was maximised
            // goes back to being maximised.
            if (!on && maximized) SDL_MaximizeWindow(window);
        } else if (on) {
            SDL_Rect r;
            if (SDL_GetDisplayBounds(display, &r) != 0) return;
            SDL_SetWindowPosition(window, r.x, r.y);
            SDL_SetWindowSize(window, r.w, r.h);
        } else {
            SDL_SetWindowSize(window, settings.width, settings.height);
            SDL_SetWindowPosition(window, SDL_WINDOWPOS_CENTERED_DISPLAY(display),
                                  SDL_WINDOWPOS_CENTERED_DISPLAY(display));
        }
        fullscreen = on;
        settings.fullscreen = on;
        settingsChanged = true;
        debugLine(on ? "layer: fullscreen" : "layer: windowed");
        repaint();
    }

    void resized(int w, int h) {
        // Only the normal size is remembered: a maximised or fullscreen window is a state.
        bool normal = !fullscreen && !maximized && !(SDL_GetWindowFlags(window) & SDL_WINDOW_MAXIMIZED);
        if (normal && (w != settings.width || h != settings.height)) {
            earlierW = settings.width;
            earlierH = settings.height;
            sizeChangedMs = SDL_GetTicks64();
            settings.width = w;
            settings.height = h;
            settingsChanged = true;
        }
        repaint();
        debugLine("layer: window " + std::to_string(w) + "x" + std::to_string(h) + ", zoom " +
                  std::to_string(place.zoom));
    }

    void maximizedNow(bool on) {
        if (fullscreen || on == maximized) return;
        maximized = on;
        settings.maximized = on;
        settingsChanged = true;
        // The resize for a maximise may come before the news of it: that size was never
        // the normal one. A player cannot resize and then maximise within this time.
        if (on && earlierW > 0 && SDL_GetTicks64() - sizeChangedMs < 500) {
            settings.width = earlierW;
            settings.height = earlierH;
        }
        debugLine(on ? "layer: maximized" : "layer: not maximized");
    }

    // ---- input ----

    void pen(std::deque<LayerEvent>& queue, EventKind kind, int wx, int wy) {
        LayerEvent e{kind};
        windowToScreen(place, wx, wy, e.x, e.y);
        queue.push_back(e);
        if (kind == EventKind::PenPress)
            debugLine("layer: pen press at " + std::to_string(wx) + "," + std::to_string(wy) +
                      " of the window: " + std::to_string(e.x) + "," + std::to_string(e.y) + " of the screen");
    }

    void key(std::deque<LayerEvent>& queue, int code, bool press, bool autoRepeat) {
        LayerEvent e{press ? EventKind::KeyPress : EventKind::KeyRelease};
        e.key = code;
        e.autoRepeat = autoRepeat;
        queue.push_back(e);
    }

    void padEvents(std::deque<LayerEvent>& queue, const std::vector<HeldKeys::Event>& events) {
        for (const HeldKeys::Event& e : events) key(queue, e.key, e.press, e.autoRepeat);
    }

    // Learns the keyboard's repeat delay and interval from a held key.
    void keyboardRepeat(const SDL_KeyboardEvent& k, uint64_t now) {
        if (!k.repeat) {
            repeatKey = k.keysym.sym;
            repeatDownMs = now;
            repeatsSeen = 0;
            return;
        }
        if (k.keysym.sym != repeatKey) return;
        int gap = int(now - (repeatsSeen == 0 ? repeatDownMs : repeatLastMs));
        if (repeatsSeen == 0 && gap >= 100 && gap <= 2000)
            padKeys.delayMs = gap;
        else if (repeatsSeen == 1 && gap >= 10 && gap <= 500)
            padKeys.intervalMs = gap;
        repeatsSeen++;
        repeatLastMs = now;
    }

    void keyboard(std::deque<LayerEvent>& queue, const SDL_KeyboardEvent& k, uint64_t now) {
        bool down = k.type == SDL_KEYDOWN;
        // Window keys of our own: the game never sees them.
        if (k.keysym.sym == SDLK_F11) {
            if (down && !k.repeat) setFullscreen(!fullscreen);
            return;
        }
        if (k.keysym.sym == SDLK_RETURN || k.keysym.sym == SDLK_KP_ENTER) {
            if (down && !k.repeat && (k.keysym.mod & KMOD_ALT)) {
                swallowReturn = true;
                setFullscreen(!fullscreen);
                return;
            }
            if (swallowReturn) {
                if (!down) swallowReturn = false;
                return;
            }
        }
        int code = toolkitKey(k.keysym.sym);
        if (!code) return;
        if (down) keyboardRepeat(k, now);
        if (down && k.repeat) {
            // The toolkit delivered a held key as release-and-press pairs.
            key(queue, code, false, true);
            key(queue, code, true, true);
            return;
        }
        key(queue, code, down, false);
    }

    void padAdded(int index) {
        if (!SDL_IsGameController(index)) return;
        SDL_GameController* c = SDL_GameControllerOpen(index);
        if (!c) return;
        SDL_JoystickID id = SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(c));
        for (SDL_GameController* p : pads)
            if (SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(p)) == id) {
                SDL_GameControllerClose(c);  // already ours
                return;
            }
        pads.push_back(c);
        const char* name = SDL_GameControllerName(c);
        debugLine(std::string("layer: game controller '") + (name ? name : "?") + "'");
    }

    void padRemoved(std::deque<LayerEvent>& queue, SDL_JoystickID id) {
        for (size_t i = 0; i < pads.size(); i++)
            if (SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(pads[i])) == id) {
                SDL_GameControllerClose(pads[i]);
                pads.erase(pads.begin() + long(i));
                // Whatever it held is let go; another pad still holding a key keeps it
                // until its own release, which is rare enough to let go too.
                std::vector<HeldKeys::Event> events;
                padKeys.releaseAll(events);
                stickKeys.clear();
                padEvents(queue, events);
                debugLine("layer: game controller removed");
                return;
            }
    }

    // The stick's direction as one cursor key (the larger axis wins), or 0 inside the dead zone.
    int stickKey(SDL_GameController* c) const {
        int x = SDL_GameControllerGetAxis(c, SDL_CONTROLLER_AXIS_LEFTX);
        int y = SDL_GameControllerGetAxis(c, SDL_CONTROLLER_AXIS_LEFTY);
        if (std::max(std::abs(x), std::abs(y)) < StickDeadZone) return 0;
        if (std::abs(x) >= std::abs(y)) return x < 0 ? Key_Left : Key_Right;
        return y < 0 ? Key_Up : Key_Down;
    }

    void stickMoved(std::deque<LayerEvent>& queue, SDL_JoystickID id, uint64_t now) {
        SDL_GameController* c = SDL_GameControllerFromInstanceID(id);
        if (!c) return;
        int want = stickKey(c);
        auto it = std::find_if(stickKeys.begin(), stickKeys.end(), [&](auto& s) { return s.first == id; });
        int had = it == stickKeys.end() ? 0 : it->second;
        if (want == had) return;
        std::vector<HeldKeys::Event> events;
        if (had) padKeys.hold(had, false, now, events);
        if (want) padKeys.hold(want, true, now, events);
        if (it == stickKeys.end())
            stickKeys.emplace_back(id, want);
        else
            it->second = want;
        padEvents(queue, events);
    }

    // ---- events ----

    // One SDL event; a focus change only marks the device suspended or not.
    void handle(const SDL_Event& ev, std::deque<LayerEvent>& queue, bool& closed, uint64_t now) {
        switch (ev.type) {
        case SDL_QUIT: closeOnce(queue, closed); break;
        case SDL_KEYDOWN:
        case SDL_KEYUP:
            // Keys held when the focus went come up (SDL lets go of them): the game must
            // not walk on with a key nobody holds.
            if (!off || ev.type == SDL_KEYUP) keyboard(queue, ev.key, now);
            break;
        case SDL_MOUSEBUTTONDOWN:
            if (ev.button.which == SDL_TOUCH_MOUSEID || off) break;
            if (ev.button.button == SDL_BUTTON_LEFT && !penDown) {
                penDown = true;
                pen(queue, EventKind::PenPress, ev.button.x, ev.button.y);
            }
            break;
        case SDL_MOUSEMOTION:
            if (ev.motion.which != SDL_TOUCH_MOUSEID && penDown && !fingerDown)
                pen(queue, EventKind::PenMove, ev.motion.x, ev.motion.y);
            break;
        case SDL_MOUSEBUTTONUP:
            if (ev.button.which != SDL_TOUCH_MOUSEID && ev.button.button == SDL_BUTTON_LEFT && penDown && !fingerDown) {
                penDown = false;
                pen(queue, EventKind::PenRelease, ev.button.x, ev.button.y);
            }
            break;
        case SDL_FINGERDOWN:
        case SDL_FINGERMOTION:
        case SDL_FINGERUP: {
            // One finger is the stylus; the others are ignored while it is down.
            bool mine = fingerDown && ev.tfinger.fingerId == finger;
            int wx = int(ev.tfinger.x * float(surfaceW)), wy = int(ev.tfinger.y * float(surfaceH));
            if (ev.type == SDL_FINGERDOWN && !penDown && !off) {
                fingerDown = penDown = true;
                finger = ev.tfinger.fingerId;
                pen(queue, EventKind::PenPress, wx, wy);
            } else if (ev.type == SDL_FINGERMOTION && mine) {
                pen(queue, EventKind::PenMove, wx, wy);
            } else if (ev.type == SDL_FINGERUP && mine) {
                fingerDown = penDown = false;
                pen(queue, EventKind::PenRelease, wx, wy);
            }
            break;
        }
        case SDL_CONTROLLERDEVICEADDED: padAdded(ev.cdevice.which); break;
        case SDL_CONTROLLERDEVICEREMOVED: padRemoved(queue, ev.cdevice.which); break;
        case SDL_CONTROLLERBUTTONDOWN:
        case SDL_CONTROLLERBUTTONUP:
            if (int k = padKey(ev.cbutton.button); k && !off) {
                std::vector<HeldKeys::Event> events;
                padKeys.hold(k, ev.type == SDL_CONTROLLERBUTTONDOWN, now, events);
                padEvents(queue, events);
            }
            break;
        case SDL_CONTROLLERAXISMOTION:
            if (!off && (ev.caxis.axis == SDL_CONTROLLER_AXIS_LEFTX || ev.caxis.axis == SDL_CONTROLLER_AXIS_LEFTY))
                stickMoved(queue, ev.caxis.which, now);
            break;
        case SDL_WINDOWEVENT:
            if (!window || ev.window.windowID != windowId) break;
            switch (ev.window.event) {
            case SDL_WINDOWEVENT_CLOSE: closeOnce(queue, closed); break;
            case SDL_WINDOWEVENT_FOCUS_LOST:
            case SDL_WINDOWEVENT_MINIMIZED:
            case SDL_WINDOWEVENT_HIDDEN: suspended = true; break;
            case SDL_WINDOWEVENT_FOCUS_GAINED: suspended = false; break;
            case SDL_WINDOWEVENT_MAXIMIZED: maximizedNow(true); break;
            case SDL_WINDOWEVENT_RESTORED:
                if (!(SDL_GetWindowFlags(window) & SDL_WINDOW_MAXIMIZED)) maximizedNow(false);
                [[fallthrough]];
            case SDL_WINDOWEVENT_SHOWN:
                // Back from the task bar; the focus follows under a window manager, but
                // without one it may not: the window on screen is the player's.
                suspended = false;
                break;
            case SDL_WINDOWEVENT_SIZE_CHANGED: resized(ev.window.data1, ev.window.data2); break;
            case SDL_WINDOWEVENT_EXPOSED: repaint(); break;
            default: break;
            }
            break;
        default: break;
        }
    }

    // Let go of everything held when the device is suspended: the keys come back up, as
    // the player's fingers did.
    void releaseHeld(std::deque<LayerEvent>& queue) {
        std::vector<HeldKeys::Event> events;
        padKeys.releaseAll(events);
        stickKeys.clear();
        padEvents(queue, events);
    }

    void suspend(std::deque<LayerEvent>& queue, bool& closed) {
        // The emulated device is off: the program's loop waits here, while the window
        // system is still answered, until the window has the focus again.
        debugLine("layer: suspended (the window lost the focus)");
        off = true;
        // The click that brings the window back only wakes the device; SDL drops one read
        // just after the focus change.
        SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "0");
        releaseHeld(queue);
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

    // Game controllers present now or plugged in later arrive as device events. Looking for
    // them (udev, the input and hidraw devices) is left until the first frame is on screen:
    // nobody plays before then.
    void startPads() {
        if (padsAsked) return;
        padsAsked = true;
        padSubsystem = !getenv("TAVRIN_NOPAD") && SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) == 0;
    }

    void pump(std::deque<LayerEvent>& queue) override {
        bool closed = false;
        if (haveFrame && !padsAsked) startPads();
        uint64_t now = SDL_GetTicks64();
        // The program asks twice for every tick, microseconds apart; every question costs a
        // handful of system calls, so the window system is asked at most every 2 ms.
        if (now - lastPumpMs < 2) return;
        lastPumpMs = now;
        if (sdlPumpWanted(now)) {
            lastSdlPumpMs = now;
            talkedToX = false;
            SDL_Event ev;
            bool any = false;
            while (SDL_PollEvent(&ev)) {
                any = true;
                handle(ev, queue, closed, now);
            }
            if (any) busyUntilMs = now + BusyPumpMs;
            // A replay being watched goes on whether or not the window has the focus: the
            // recording, not the viewer, decides when the device was off.
            if (suspended && !closed && window && !sessionReplaying()) suspend(queue, closed);
            suspended = false;
        }
        if (!pads.empty()) {
            std::vector<HeldKeys::Event> events;
            padKeys.tick(SDL_GetTicks64(), events);
            padEvents(queue, events);
        }
        closeWhenDue(queue, closed);
    }

    // Whether SDL must be pumped now. Every X event reaches us (SDL_SYSWMEVENT is on), so a
    // pump that read any keeps us pumping for a while, as SDL may still owe events for it.
    // Game controllers are read by the pump itself; events pushed by SDL's other threads or
    // by the tests wait in its queue.
    bool sdlPumpWanted(uint64_t now) {
        if (!x11 || !pads.empty() || talkedToX || now < busyUntilMs || now - lastSdlPumpMs >= QuietPumpMs) return true;
        return SDL_HasEvents(SDL_FIRSTEVENT, SDL_LASTEVENT) || x11InputWaiting(x11);
    }

    // The window system's close and SIGTERM often come together: one close event is enough.
    static void closeOnce(std::deque<LayerEvent>& queue, bool& closed) {
        if (!closed) queue.push_back(LayerEvent{EventKind::Close});
        closed = true;
    }

    // -until: the window is closed at that real time.
    void closeWhenDue(std::deque<LayerEvent>& queue, bool& closed) {
        if (untilMs >= 0 && !closeSent && int64_t(SDL_GetTicks64() - startTicks) >= untilMs) {
            closeSent = true;
            closeOnce(queue, closed);
        }
    }
};

DesktopBackend* desktop() {
    LayerState& L = layer();
    if (!L.appExists || L.options.platform != Platform::Desktop) return nullptr;
    return static_cast<DesktopBackend*>(L.backend);
}

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

void setIcon(SDL_Window* window) {
    if (tavrinIconPngSize() == 0) return;
    png_image img;
    memset(&img, 0, sizeof img);
    img.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&img, tavrinIconPng(), tavrinIconPngSize())) return;
    img.format = PNG_FORMAT_RGBA;
    std::vector<uint8_t> pixels(PNG_IMAGE_SIZE(img));
    if (!png_image_finish_read(&img, nullptr, pixels.data(), 0, nullptr)) {
        png_image_free(&img);
        return;
    }
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormatFrom(pixels.data(), int(img.width), int(img.height), 32,
                                                        int(img.width) * 4, SDL_PIXELFORMAT_RGBA32);
    if (s) {
        SDL_SetWindowIcon(window, s);
        SDL_FreeSurface(s);
    }
}

// The default window: the largest whole zoom whose window, with the window manager's frame,
// fits the usable part of the desktop. The frame is known only once a window exists; until
// a window manager tells, a title bar of 40 pixels is assumed.
int defaultZoom(SDL_Window* window, int display) {
    SDL_Rect r;
    if (SDL_GetDisplayUsableBounds(display, &r) != 0) return 1;
    int top = 0, left = 0, bottom = 0, right = 0;
    if (SDL_GetWindowBordersSize(window, &top, &left, &bottom, &right) != 0 || top + bottom == 0) {
        top = 40;
        left = bottom = right = 0;
    }
    int z = std::min((r.w - left - right) / ScreenWidth, (r.h - top - bottom) / ScreenHeight);
    return std::clamp(z, 1, 16);
}

}  // namespace

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
    b->shown.assign(FramebufferBytes, 0);
    b->settingsPath = windowSettingsPath();
    bool damaged = false;
    WindowSettings remembered = loadWindowSettings(b->settingsPath, &damaged);
    b->settings = remembered;
    b->window = SDL_CreateWindow("Tavrin", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, ScreenWidth, ScreenHeight,
                                 SDL_WINDOW_HIDDEN | SDL_WINDOW_RESIZABLE);
    if (!b->window) {
        std::string why = SDL_GetError();
        delete b;
        noDisplay(why);
    }
    b->windowId = SDL_GetWindowID(b->window);
    b->x11 = x11Connection(b->window);
    b->windowManager = b->windowManagerRunning();
    SDL_SetWindowMinimumSize(b->window, ScreenWidth, ScreenHeight);
    setIcon(b->window);
    int display = std::max(0, SDL_GetWindowDisplayIndex(b->window));
    int w, h;
    bool chosen = false;  // the size is ours to choose (no -zoom, nothing remembered)
    SDL_Rect usable{0, 0, 0, 0};
    SDL_GetDisplayUsableBounds(display, &usable);
    if (options.zoom > 0) {
        w = ScreenWidth * options.zoom;
        h = ScreenHeight * options.zoom;
    } else if (remembered.width > 0 && remembered.width <= usable.w && remembered.height <= usable.h) {
        w = remembered.width;
        h = remembered.height;
    } else {
        int z = defaultZoom(b->window, display);
        w = ScreenWidth * z;
        h = ScreenHeight * z;
        chosen = true;
    }
    SDL_SetWindowSize(b->window, w, h);
    SDL_SetWindowPosition(b->window, SDL_WINDOWPOS_CENTERED_DISPLAY(display), SDL_WINDOWPOS_CENTERED_DISPLAY(display));
    // The window as it is now; only what the player does to it is saved (a size forced by
    // -zoom does not replace the one remembered).
    b->settings.width = w;
    b->settings.height = h;
    b->settings.fullscreen = false;
    b->settings.maximized = false;
    // Maximised is the window manager's state: asked for before the window is shown, so
    // that it appears maximised, and only where a manager will act on it. Its normal size
    // stays the one remembered, for when the player un-maximises it.
    if (options.zoom == 0 && remembered.maximized && b->windowManager) {
        SDL_MaximizeWindow(b->window);
        b->maximized = b->settings.maximized = true;
    }
    SDL_ShowWindow(b->window);
    // With a window manager's frame known by now, a chosen size is chosen again: the
    // largest that fits (a manager that has not told yet leaves the assumed title bar).
    if (chosen && b->windowManager && !b->maximized) {
        int z = defaultZoom(b->window, display);
        if (ScreenWidth * z != w) {
            w = b->settings.width = ScreenWidth * z;
            h = b->settings.height = ScreenHeight * z;
            SDL_SetWindowSize(b->window, w, h);
            SDL_SetWindowPosition(b->window, SDL_WINDOWPOS_CENTERED_DISPLAY(display),
                                  SDL_WINDOWPOS_CENTERED_DISPLAY(display));
        }
    }
    bool full = options.fullscreen || (options.zoom == 0 && remembered.fullscreen);
    if (full) b->setFullscreen(true);
    b->settingsChanged = damaged;  // nothing is the player's doing yet; a good file replaces a damaged one
    b->untilMs = options.untilMs;
    b->startTicks = SDL_GetTicks64();
    b->repaint();
    SDL_RaiseWindow(b->window);

    // Every X event also comes as an SDL event, so that the pump knows when one was read.
    if (b->x11) SDL_EventState(SDL_SYSWMEVENT, SDL_ENABLE);

    const char* format = SDL_GetPixelFormatName(SDL_GetWindowPixelFormat(b->window));
    SDL_GetWindowSize(b->window, &w, &h);
    debugLine(std::string("layer: desktop window, zoom ") + std::to_string(b->place.zoom) + ", " + std::to_string(w) +
              "x" + std::to_string(h) + (b->fullscreen ? " fullscreen" : "") + (b->maximized ? " maximized" : "") +
              ", video driver " + driver + ", window surface " + format +
              (b->windowManager ? ", window manager" : ", no window manager"));
    return b;
}

// ---- test controls ----

namespace {
int virtualPadIndex = -1;
SDL_Joystick* virtualPad = nullptr;
}  // namespace

int desktopAttachVirtualPad() {
    DesktopBackend* b = desktop();
    if (!b) return 1;
    b->startPads();
    if (!b->padSubsystem || virtualPad) return 1;
    SDL_VirtualJoystickDesc d;
    SDL_zero(d);
    d.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
    d.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
    d.naxes = SDL_CONTROLLER_AXIS_MAX;
    d.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
    d.button_mask = (1u << SDL_CONTROLLER_BUTTON_MAX) - 1;
    d.axis_mask = (1u << SDL_CONTROLLER_AXIS_MAX) - 1;
    d.name = "Tavrin test pad";
    virtualPadIndex = SDL_JoystickAttachVirtualEx(&d);
    if (virtualPadIndex < 0) return 1;
    virtualPad = SDL_JoystickOpen(virtualPadIndex);
    return virtualPad ? 0 : 1;
}

void desktopVirtualPadButton(PadButton b, bool down) {
    if (!virtualPad) return;
    static const SDL_GameControllerButton buttons[] = {SDL_CONTROLLER_BUTTON_A,         SDL_CONTROLLER_BUTTON_B,
                                                       SDL_CONTROLLER_BUTTON_START,     SDL_CONTROLLER_BUTTON_DPAD_UP,
                                                       SDL_CONTROLLER_BUTTON_DPAD_DOWN, SDL_CONTROLLER_BUTTON_DPAD_LEFT,
                                                       SDL_CONTROLLER_BUTTON_DPAD_RIGHT};
    SDL_JoystickSetVirtualButton(virtualPad, buttons[int(b)], down ? SDL_PRESSED : SDL_RELEASED);
}

void desktopVirtualPadStick(int x, int y) {
    if (!virtualPad) return;
    SDL_JoystickSetVirtualAxis(virtualPad, SDL_CONTROLLER_AXIS_LEFTX, Sint16(std::clamp(x, -32768, 32767)));
    SDL_JoystickSetVirtualAxis(virtualPad, SDL_CONTROLLER_AXIS_LEFTY, Sint16(std::clamp(y, -32768, 32767)));
}

void desktopDetachVirtualPad() {
    if (!virtualPad) return;
    SDL_JoystickClose(virtualPad);
    SDL_JoystickDetachVirtual(virtualPadIndex);
    virtualPad = nullptr;
    virtualPadIndex = -1;
}

void desktopTouch(TouchKind kind, int64_t finger, float x, float y) {
    DesktopBackend* b = desktop();
    if (!b) return;
    SDL_Event e;
    SDL_zero(e);
    e.type = kind == TouchKind::Down ? SDL_FINGERDOWN : kind == TouchKind::Move ? SDL_FINGERMOTION : SDL_FINGERUP;
    e.tfinger.touchId = 1;
    e.tfinger.fingerId = finger;
    e.tfinger.x = x;
    e.tfinger.y = y;
    e.tfinger.pressure = kind == TouchKind::Up ? 0.0f : 1.0f;
    e.tfinger.windowID = b->windowId;
    SDL_PushEvent(&e);
}
