// The application shell: loop and clock, window input, sleeping and resuming, sound effects.
#pragma once
#include <cstdint>

// Loop and clock.
int64_t nowMs();
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
int32_t frameinit(int argc, char** argv);
void setControl(int index, bool down);
void stylusEvent(int32_t x, int32_t y, bool isPress);
void stylusPads(int32_t x, int32_t y, uint8_t bits);
void mapDrag(int32_t dx, int32_t dy);

// Suspend and resume.
int64_t nowUs();
int32_t rtcSleep(uint32_t us);
// The ioctl that sets the real-time clock's interrupt rate, as this build's ABI numbers it.
extern const unsigned long rtcRateRequest;
void onSigCont(int sig);

// Sound effects 250..257. The samples are read from soundDirectory (ends with '/'),
// fixed at build time.
enum SoundEffect : int {
    SoundDiamond = 250,        // the player takes a diamond
    SoundHatch = 251,          // a monster comes into a free slot
    SoundKey = 252,            // a key is taken and the safes open
    SoundMonsterKilled = 253,  // a monster is crushed
    SoundDeath = 254,          // the player's death starts
    SoundCursor = 255,         // a menu cursor moves
    SoundRock = 256,           // the falling pass moved a rock or an egg
    SoundSelect = 257,         // an entry or a screen is confirmed
};
extern const char* soundDirectory;
void SndInit();
void SndPlay(int number, uint8_t loops);
// The mixer channel the last SndPlay started, or -1 when it played nothing.
extern int lastSoundChannel;
