// The desktop back end's own pieces that can be used and tested without a window: the
// window settings file, the picture's placement in a window of any size, the repeat of held
// gamepad keys; and the controls that tests use to drive a virtual gamepad.
// Internal header: only platform/ and its tests include it.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// ---- window settings, remembered between runs ----

struct WindowSettings {
    int width = 0, height = 0;  // the window's normal size (not maximised, not fullscreen); 0: none remembered
    bool fullscreen = false;
    bool maximized = false;  // left maximised: reopened so, with the normal size kept for un-maximising
};
// $XDG_CONFIG_HOME/tavrin/window.conf, or ~/.config/tavrin/window.conf; empty when neither
// variable gives an absolute folder.
std::string windowSettingsPath();
// Parses the file's text. Returns 0 and fills out, or 1 with what is wrong in error.
int parseWindowSettings(const std::string& text, WindowSettings& out, std::string& error);
std::string formatWindowSettings(const WindowSettings& s);
// Reads the file: a missing file gives the defaults silently; a damaged one gives the
// defaults and one notice on standard error (and damaged is set). Never fatal.
WindowSettings loadWindowSettings(const std::string& path, bool* damaged = nullptr);
// Writes a temporary file beside it, fsyncs, renames it over the old one and fsyncs the
// folder (made when missing). Returns 0, or 1 with the reason in error.
int saveWindowSettings(const std::string& path, const WindowSettings& s, std::string& error);
// What is written when the window is left as now. A size that -zoom forced is never
// remembered: the size and maximised state remembered before stay (a maximise of the
// player's own is kept). False when there is then no size to write.
bool windowSettingsToSave(const WindowSettings& now, const WindowSettings& remembered, bool sizeForced,
                          WindowSettings& out);

// ---- whether asking for a sound output can succeed ----

// Whether this machine could have a sound output at all: a sound card's playback device, an
// OSS device, a sound server's socket, or a setting that sends the sound somewhere we cannot
// see from here (SDL_AUDIODRIVER, PULSE_SERVER, an ALSA configuration file, ...). A machine
// with none of them (a server, a container, a virtual machine) gets silence at once: asking
// SDL there fails anyway, after ALSA has read its whole configuration twice and scanned for
// devices, which cost a fifth of the CPU to the first frame. root prefixes every path looked
// at (tests give a scratch folder); the variables are read from the environment.
bool mayHaveSoundOutput(const std::string& root = "");

// ---- where the 240 x 320 picture goes in a window ----

struct Placement {
    int zoom;           // whole factor; 0 when the window is smaller than the screen
    int x, y;           // top left corner of the picture in the window
    int width, height;  // the picture's size in the window
};
// The largest whole factor that fits, centred; the rest of the window is black bars. A
// window smaller than the screen (a window system that ignores the minimum size) gets the
// picture shrunk to fit, keeping its shape, rather than nothing.
Placement placePicture(int windowWidth, int windowHeight);
// A window position to an emulated screen position; outside the picture (on a bar) it is
// clamped to the nearest edge pixel.
void windowToScreen(const Placement& p, int wx, int wy, int& sx, int& sy);

// ---- held keys that repeat like the keyboard's ----

// The toolkit delivers a held key as release-and-press pairs once the repeat delay has
// passed, then at the repeat interval. Holders count the inputs keeping each key down (the
// d-pad and the stick may both hold Left).
class HeldKeys {
public:
    struct Event {
        int key;
        bool press;
        bool autoRepeat;
    };
    int delayMs = 660, intervalMs = 40;  // the X server's defaults until the keyboard shows its own
    void hold(int key, bool down, uint64_t nowMs, std::vector<Event>& out);
    // Repeats that fell due by nowMs (at most one per key: a late pump never bursts).
    void tick(uint64_t nowMs, std::vector<Event>& out);
    // Releases everything (the gamepad went away).
    void releaseAll(std::vector<Event>& out);

private:
    struct Held {
        int key;
        int holders;
        uint64_t nextMs;
    };
    std::vector<Held> held_;
};

// ---- test controls: a virtual gamepad (SDL's virtual joystick) ----

enum class PadButton { A, B, Start, Up, Down, Left, Right };
// Attaches a virtual game controller; the back end sees it arrive like a plugged-in one.
// Returns 0, or 1 when there is no desktop back end or SDL refuses.
int desktopAttachVirtualPad();
void desktopVirtualPadButton(PadButton b, bool down);
// Left stick, -32768..32767 on each axis.
void desktopVirtualPadStick(int x, int y);
void desktopDetachVirtualPad();

// ---- test controls: touch, as the touch screen's driver would report it ----

enum class TouchKind { Down, Move, Up };
// A finger event at x, y in 0..1 of the window; queued for the next processEvents.
void desktopTouch(TouchKind kind, int64_t finger, float x, float y);
