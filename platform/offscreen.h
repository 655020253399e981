// Controls of the offscreen back end, for tests and tools that run the game in-process.
#pragma once
#include <cstdint>

bool offscreenActive();
// Virtual time in microseconds since the application object was created.
int64_t offscreenClockUs();
// Moves the virtual clock forward (the program "sleeps" or time passes outside it).
void offscreenAdvanceUs(int64_t us);
// Queue window-system events; they are delivered in order by the next processEvents.
void offscreenQueueKey(int key, bool press, bool autoRepeat = false);
enum OffscreenPen { PenPress = 0, PenMove = 1, PenRelease = 2 };
void offscreenQueuePen(OffscreenPen kind, int x, int y);
void offscreenQueueFocus(bool in);
void offscreenQueueClose();
// The emulated framebuffer in display memory order, and an upright PNG of it.
const uint8_t* offscreenFramebuffer();
int offscreenSavePng(const char* path);
