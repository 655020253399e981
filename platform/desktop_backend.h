// The desktop back end's parts, one idea to a file: the window with its remembered settings
// (desktop_window.cpp), the presenter that puts the emulated screen in it
// (desktop_presenter.cpp), the translation of keys, mouse, touch and game controllers into
// the handheld's keys and stylus (desktop_input.cpp), and the back end that joins them: the
// event pump, suspension and the start-up (desktop.cpp).
// Internal header: only platform/ and its tests include it.
#pragma once
#include <SDL.h>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <utility>
#include <vector>
#include "platform/desktop.h"
#include "platform/layer.h"

// The X connection under SDL, and whether it has anything unread (desktop_x11.cpp).
void* x11Connection(SDL_Window* window);
bool x11InputWaiting(void* connection);
bool x11WindowManagerRunning(void* connection);

// Ends the run: no window can be opened (desktop.cpp).
[[noreturn]] void noDisplay(const std::string& sdlError);

// ---- the window and its settings (desktop_window.cpp) ----

class DesktopWindow {
public:
    SDL_Window* sdl = nullptr;
    Uint32 id = 0;
    void* x11 = nullptr;  // the X connection; null: not X11
    bool fullscreen = false;
    bool maximized = false;
    // Fullscreen is the window manager's to give. Without one (a bare X server) nobody
    // would act on the request: the window then covers the display by itself.
    bool windowManager = true;
    bool coveredByUs = false;  // fullscreen without a window manager: our own covering window
    bool talkedToX = false;    // requests whose replies may have brought events along

    // Opens the window hidden, at the size asked for, remembered or chosen, and shows it;
    // fullscreen(true) then makes it fullscreen when that is asked for. False, with SDL's
    // reason in why, when there is no window.
    bool open(const LayerOptions& options, const std::function<void(bool)>& fullscreen, std::string& why);
    // Saves the settings when the player changed them, and closes the window.
    void close();
    // Returns whether the window changed (it must then be painted again).
    bool setFullscreen(bool on);
    // SDL's news of the window: a new size, maximised or not.
    void resized(int w, int h);
    void maximizedNow(bool on);

private:
    bool windowManagerRunning();
    void saveSettings();

    WindowSettings settings;    // the window as it is; saved when the player changed it
    WindowSettings remembered;  // as the settings file had it at the start
    bool sizeForced = false;    // the normal size is -zoom's, not the player's
    std::string settingsPath;
    bool settingsChanged = false;
    // The normal size before the last change, and when that change came: a window manager
    // may resize the window for a maximise before it says it maximised it.
    int earlierW = 0, earlierH = 0;
    bool earlierForced = false;
    uint64_t sizeChangedMs = 0;
};

// ---- the presenter (desktop_presenter.cpp) ----

// Turns, converts and scales a frame in one pass straight into the window surface, and only
// the rows that changed.
class DesktopPresenter {
public:
    Placement place{1, 0, 0, ScreenWidth, ScreenHeight};
    int surfaceW = 0, surfaceH = 0;
    bool haveFrame = false;
    bool talkedToX = false;  // painted: the X server's replies may have brought events along

    DesktopPresenter() : shown(FramebufferBytes, 0) {}
    void present(SDL_Window* window, const uint8_t* fb, int orientation);
    // The window was exposed or resized: show what is on screen again.
    void repaint(SDL_Window* window);
    void windowGone() { surface = nullptr; }

private:
    bool takeSurface(SDL_Window* window, bool& fresh);
    template <typename Pixel>
    void scaleRow(const uint8_t* fb, int orientation, int y, Pixel* out) const;
    template <typename Pixel>
    void paintRows(const uint8_t* fb, int orientation, int y0, int y1);
    template <typename Pixel>
    void paintShrunk(const uint8_t* fb, int orientation);
    void fillBars();
    void paint(SDL_Window* window, const uint8_t* fb, int orientation, int y0, int y1, bool whole);
    void changedRows(const uint8_t* fb, int orientation, int& y0, int& y1, size_t& from, size_t& to) const;

    // The window surface as last seen; a new one (after a resize) is painted whole.
    SDL_Surface* surface = nullptr;
    Uint32 lutFormat = 0;
    std::vector<uint32_t> lut;  // RGB565 -> the surface's pixel format
    // The frame on screen, in framebuffer order, to skip frames that change nothing.
    std::vector<uint8_t> shown;
    int shownOrientation = 0;
};

// ---- input (desktop_input.cpp) ----

// SDL's keys, mouse, fingers and game controllers as the handheld's keys and stylus.
class DesktopInput {
public:
    std::function<void()> fullscreenKey;  // F11 or Alt+Enter: the window's, never the game's
    bool padSubsystem = false;

    // Queues what an input event means; false when ev is not input. While the device is off
    // presses are dropped, releases still come. The stylus lands on the screen pixel under it
    // in the picture placed so in a window surface of surfaceW x surfaceH.
    bool handle(const SDL_Event& ev, std::deque<LayerEvent>& queue, bool off, uint64_t now, const Placement& place,
                int surfaceW, int surfaceH);
    // Repeats of held gamepad keys that fell due.
    void tick(std::deque<LayerEvent>& queue);
    // Let go of everything the gamepads hold (the device is suspended).
    void releaseHeld(std::deque<LayerEvent>& queue);
    // Game controllers are looked for from the first frame on (startPads), once.
    bool padsAsked() const { return padsAsked_; }
    bool hasPads() const { return !pads.empty(); }
    void startPads();
    void closePads();

private:
    void pen(std::deque<LayerEvent>& queue, EventKind kind, const Placement& place, int wx, int wy);
    static void key(std::deque<LayerEvent>& queue, int code, bool press, bool autoRepeat);
    void padEvents(std::deque<LayerEvent>& queue, const std::vector<HeldKeys::Event>& events);
    void keyboardRepeat(const SDL_KeyboardEvent& k, uint64_t now);
    void keyboard(std::deque<LayerEvent>& queue, const SDL_KeyboardEvent& k, uint64_t now);
    void padAdded(int index);
    void padRemoved(std::deque<LayerEvent>& queue, SDL_JoystickID id);
    int stickKey(SDL_GameController* c) const;
    void stickMoved(std::deque<LayerEvent>& queue, SDL_JoystickID id, uint64_t now);

    bool penDown = false;     // the mouse or the finger holds the stylus down
    SDL_FingerID finger = 0;  // the one finger that is the stylus
    bool fingerDown = false;
    bool swallowReturn = false;  // Return went to Alt+Enter: its repeats and release too

    // Gamepads, and the keys they hold.
    std::vector<SDL_GameController*> pads;
    HeldKeys padKeys;
    std::vector<std::pair<SDL_JoystickID, int>> stickKeys;  // keys held by each stick
    bool padsAsked_ = false;  // game controllers are looked for once the first frame is shown
    // The keyboard's own repeat, measured, so held gamepad keys repeat the same way.
    SDL_Keycode repeatKey = 0;
    uint64_t repeatDownMs = 0, repeatLastMs = 0;
    int repeatsSeen = 0;
};

// ---- the back end (desktop.cpp) ----

class DesktopBackend : public Backend {
public:
    DesktopWindow window;
    DesktopPresenter presenter;
    DesktopInput input;

    DesktopBackend();
    ~DesktopBackend() override;
    void pump(std::deque<LayerEvent>& queue) override;
    void present(const uint8_t* fb, int orientation) override { presenter.present(window.sdl, fb, orientation); }
    void windowGone() override;
    void setFullscreen(bool on);

    int64_t untilMs = -1;
    uint64_t startTicks = 0;

private:
    void handle(const SDL_Event& ev, std::deque<LayerEvent>& queue, bool& closed, uint64_t now);
    void resized(int w, int h);
    void suspend(std::deque<LayerEvent>& queue, bool& closed);
    bool sdlPumpWanted(uint64_t now);
    static void closeOnce(std::deque<LayerEvent>& queue, bool& closed);
    void closeWhenDue(std::deque<LayerEvent>& queue, bool& closed);

    bool closeSent = false;
    bool suspended = false;
    // The device is off: the program waits inside suspend(). Input is dropped only then, not
    // on the way there: a batch of window events may hold a focus loss and a click in either
    // order, and the click that came before must not be lost.
    bool off = false;
    uint64_t lastPumpMs = 0;
    // Asking SDL (SDL_PollEvent) costs six system calls and the X library's locks, 100 times
    // a second; a menu nobody touches needs one look at the X connection instead.
    uint64_t lastSdlPumpMs = 0;
    uint64_t busyUntilMs = 0;  // something came lately: pump on every question until then
};

// The running desktop back end, or null.
DesktopBackend* desktopBackend();
