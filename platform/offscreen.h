// Controls of the offscreen back end, for tests and tools that run the game in-process.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// True while the offscreen back end exists (an application object made with -platform offscreen).
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
// Returns 0 when written, 1 on failure (nothing is left behind).
int offscreenSavePng(const char* path);

// Frames presented so far (a painter let go of a framebuffer it took).
int64_t offscreenFrameCount();
// The emulated screen turned upright: 240 x 320 RGB565 values, row by row.
void offscreenUprightPixels(uint16_t* out);
// Keep every debug log line in memory (from now on) so a test can look at them.
void offscreenRecordDebug(bool on);
// The lines kept since then.
const std::vector<std::string>& offscreenDebugLines();
// Service commands passed to the layer, and system channel messages ("QPE/System closing(QString) tavrin").
const std::vector<std::string>& offscreenSystemCommands();
const std::vector<std::string>& offscreenQcopMessages();
