// What the desktop tests need of the private X server: a window manager on it or none, find
// the game's window, look at what it shows, resize it, take the focus away, send input
// (through xdotool, as a player's keyboard and mouse would), and wait for a line in the
// program's debug log.
#pragma once
#include <string>
#include <vector>
#include "tests/program/harness.h"

namespace program {

class XSession {
public:
    explicit XSession(const std::string& display);
    ~XSession();
    XSession(const XSession&) = delete;
    XSession& operator=(const XSession&) = delete;
    bool ok() const { return display_ != nullptr; }
    // The viewable client window with this exact title (a child of the root, or of a window
    // manager's frame), waiting for it up to timeoutMs; 0 if none.
    unsigned long findWindow(const std::string& title, int timeoutMs);
    bool size(unsigned long window, int& width, int& height);
    // Where the window's top left corner is on the screen.
    bool position(unsigned long window, int& x, int& y);
    // Whether _NET_WM_STATE on the window holds the state (for example
    // "_NET_WM_STATE_FULLSCREEN"), as a window manager sets it.
    bool hasState(unsigned long window, const std::string& state);
    // Asks the window manager to add or remove states, as a task bar or a title bar's
    // button would (_NET_WM_STATE client message to the root window).
    void requestState(unsigned long window, bool add, const std::string& state1, const std::string& state2 = "");
    // Whether a window manager has announced itself (_NET_SUPPORTING_WM_CHECK on the root,
    // naming a live window of its own).
    bool windowManagerRunning();
    // Maps a small window of its own and waits until a window manager has put a frame
    // around it; false after the bound.
    bool framedByWindowManager(int timeoutMs);
    // Moves the window to the screen's top left corner and gives it this size.
    void resize(unsigned long window, int width, int height);
    // The width and height of the window's icon (_NET_WM_ICON), or 0 without one.
    int iconSize(unsigned long window, int& height);
    // What the window shows, as 8-bit RGB.
    Picture grab(unsigned long window);
    // A plain window of the test's own, to take the focus from the game.
    unsigned long otherWindow();
    void focus(unsigned long window);
    void sync();

private:
    void* display_ = nullptr;
    unsigned long other_ = 0;
};

// openbox on the display for the object's life, with a home folder of its own (it keeps a
// log and sessions there). running() is false when there is none or it did not announce
// itself within the bound.
class WindowManager {
public:
    WindowManager(const std::string& display, const std::string& home);
    ~WindowManager();
    WindowManager(const WindowManager&) = delete;
    WindowManager& operator=(const WindowManager&) = delete;
    bool running() const { return running_; }
    static bool available();

private:
    int pid_ = -1;
    bool running_ = false;
};

// Runs xdotool with these arguments on the display; its exit status.
int xdotool(const std::string& display, const std::vector<std::string>& args);
bool haveXdotool();

}  // namespace program
