// Where the emulated screen's picture sits in a desktop window of any size, and which screen
// pixel a point of the window falls on.
#include <algorithm>
#include <cstdint>
#include "platform/desktop.h"
#include "platform/layer.h"

Placement placePicture(int windowWidth, int windowHeight) {
    Placement p;
    windowWidth = std::max(1, windowWidth);
    windowHeight = std::max(1, windowHeight);
    p.zoom = std::min(windowWidth / ScreenWidth, windowHeight / ScreenHeight);
    if (p.zoom > 0) {
        p.width = ScreenWidth * p.zoom;
        p.height = ScreenHeight * p.zoom;
    } else if (int64_t(windowWidth) * ScreenHeight <= int64_t(windowHeight) * ScreenWidth) {
        p.width = windowWidth;  // narrower than the screen's shape: the width decides
        p.height = std::max(1, windowWidth * ScreenHeight / ScreenWidth);
    } else {
        p.height = windowHeight;
        p.width = std::max(1, windowHeight * ScreenWidth / ScreenHeight);
    }
    p.x = (windowWidth - p.width) / 2;
    p.y = (windowHeight - p.height) / 2;
    return p;
}

void windowToScreen(const Placement& p, int wx, int wy, int& sx, int& sy) {
    // Floor division, so that a point just left of the picture is not rounded onto it.
    auto floorDiv = [](int64_t a, int64_t b) { return int(a >= 0 ? a / b : -((-a + b - 1) / b)); };
    sx = std::clamp(floorDiv(int64_t(wx - p.x) * ScreenWidth, p.width), 0, ScreenWidth - 1);
    sy = std::clamp(floorDiv(int64_t(wy - p.y) * ScreenHeight, p.height), 0, ScreenHeight - 1);
}
