// The application shell: loop and clock, window input, sleeping and resuming.
#pragma once
#include <cstdint>

#include "sound/sound.h"
#include "state/state.h"

// Loop and clock.
// Forgets any backlog of ticks: the next tick is due now.
void resyncClock();
// One pass of the main loop; returns the number of ticks run.
int32_t loopPass();
// Frames drawn by the loop so far (one per pass that ran ticks).
extern uint32_t framesDrawn;
// The whole program: start-up, loop, shutdown. Returns only on a start-up failure.
int tavrinMain(int argc, char** argv);
// Its two ends, for tools that run the real program pass by pass: the start-up up to the
// first pass (0, or 1 when a step failed), and the shutdown after the last (ends the process
// with status 0).
int tavrinStart(int argc, char** argv);
[[noreturn]] void tavrinShutdown();

// Window and input.
// Creates the application object (the toolkit takes its options out of argv) and the
// full-screen main window, and grabs the keyboard. Returns 0.
int32_t frameinit(int argc, char** argv);
// A key of control index went down or up: FlagHeld follows it, and a press of an idle
// control also sets FlagPressed.
void setControl(int index, bool down);
// A stylus press, drag or release at (x, y) (a release comes at -1, -1): drags the map,
// offers a press to the next frame's touch zones and, in Play, redoes the pad bits.
void stylusEvent(int32_t x, int32_t y, bool isPress);
// ORs bits into the control whose pad (around the player, or drawn in the panel) holds
// (x, y); the player's own square is no pad.
void stylusPads(int32_t x, int32_t y, uint8_t bits);
// In MapView, once it has faded in: the view follows the pen by (dx, dy).
void mapDrag(int32_t dx, int32_t dy);

// Suspend and resume.
// The wall clock in microseconds (0 when it cannot be read).
int64_t nowUs();
// Sleeps us microseconds on the real-time clock's periodic interrupt. Returns 1 when it
// slept (or us was 0), 0 when the clock device cannot be used (no sleep at all).
int32_t rtcSleep(uint32_t us);
// The ioctl that sets the real-time clock's interrupt rate, as this build's ABI numbers it.
extern const unsigned long rtcRateRequest;
// The continue signal after a suspension: logs it and drops the ticks missed while stopped.
void onSigCont(int sig);
