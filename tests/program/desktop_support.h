// What the desktop tests need of the private X server: find the game's window, look at
// what it shows, resize it, take the focus away, send input (through xdotool, as a player's
// keyboard and mouse would), and wait for a line in the program's debug log.
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
    // The top-level window with this exact title, waiting for it up to timeoutMs; 0 if none.
    unsigned long findWindow(const std::string& title, int timeoutMs);
    bool size(unsigned long window, int& width, int& height);
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

// Runs xdotool with these arguments on the display; its exit status.
int xdotool(const std::string& display, const std::vector<std::string>& args);
bool haveXdotool();

}  // namespace program
