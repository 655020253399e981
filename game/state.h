// The mode machine and its table of modes, over the global records (state/state.h) and the
// progress record (store/progress.h).
#pragma once
#include <cstdint>

#include "state/state.h"
#include "store/progress.h"

// One row per mode (game/modes.cpp): its tick handler, what it loads on the way in (the
// result is not checked: a missing picture leaves its record empty) and frees on the way
// out, how its state starts, and what it draws. A null entry does nothing.
struct ModeRow {
    void (*handler)();
    int32_t (*enter)();
    void (*leave)();
    void (*init)();
    void (*draw)();
};
constexpr int ModeCount = 16;
extern const ModeRow modeTable[ModeCount];
// The row of mode m; a value without a row (a request code left in mode) gets that of mode 3,
// which draws nothing and goes back to the main menu on fire.
const ModeRow& modeRow(uint8_t m);

// The frame.
// One frame: the current mode's screen into the BackBuffer (the About version text on
// top), the fade, then the stylus tap is used up (touch zones see it for one frame only).
void drawScreen();
// Draws the current mode into the BackBuffer and presents it. Returns 0.
int32_t refreshScreen();

// Mode machine.
// One tick of the game: levelLimit from lastLevel, fadeStep, the current mode's handler
// when the mode is ready, then FlagPressed cleared on every control and modeTicks + 1.
void gameTick();
// Moves fadeLevel 8 up while the mode is ready, 8 down while a change is pending; at the
// bottom of a fade-out it calls switchMode and marks the mode ready. Clamps to 0..256.
void fadeStep();
// The change itself: leaveMode, one black frame (refreshScreen), mode = nextMode,
// resolveRequest, enterMode, initModeState.
void switchMode();
// Loads the pictures of the current mode (menus, backdrops, the game-complete pictures);
// Play and Credits load nothing. A missing picture leaves its record empty.
void enterMode();
// Frees what enterMode loaded for the current mode; leaving the main menu also keeps its
// cursor in mainMenuCursor. Backdrop modes free nothing.
void leaveMode();
// Resets modeTicks and menuCursor for the current mode (the kept main-menu cursor, 2 in
// the pause menu, the level in the level select, the map view centred on the player).
void initModeState();
// Turns a request code left in mode (64 and up) into a mode: LoseLife takes a life (and
// becomes Died or EndGame), StartLevel loads pendingLevel, Quit sets quitRequested,
// EndGame keeps a better score (saveProgress) and shows GameOver or GameOverBest.
void resolveRequest();
// Clears game and progress, opens the level file (a failure just leaves no levels) and
// requests the splash screen. Returns 0.
int32_t startWorld();
// Leaves the current mode, closes the level file and clears game and progress.
void stopWorld();

// Mode input handlers: each reads ControlFlags (and modeTicks, the stylus tap), moves
// menuCursor, plays the cursor or select sound and requests the next mode; none draws.
// Moves menuCursor one up or down on a press (down wins), clamps it to lo..hi and plays
// the cursor sound when it moved without being clamped.
void moveCursor(int8_t lo, int8_t hi);
// On a fire press: setMode(target) and the select sound.
void continueOnFire(uint8_t target);
// A new game from level (negative: a practice level): score 0, four lives, requests
// StartLevel with the select sound.
void startGame(int8_t level);
void mainMenuHandler();
void pauseMenuHandler();
void levelCompleteHandler();
void mapViewHandler();
void levelSelectHandler();
void practiceMenuHandler();
void splashHandler();
void gameCompleteHandler();
void creditsHandler();
