// The input handlers of every mode but Play: they read the ControlFlags, move menuCursor,
// play the cursor and select sounds and request the next mode.
#include "game/state.h"
#include "sound/sound.h"
#include "world/world.h"

static bool pressed(int control) { return (ControlFlags[control] & FlagPressed) != 0; }
static bool held(int control) { return ControlFlags[control] != 0; }

void moveCursor(int8_t lo, int8_t hi) {
    int delta = 0;
    if (pressed(ControlUp)) delta = -1;
    if (pressed(ControlDown)) delta = 1;  // down wins when both come in one tick
    game.menuCursor = int8_t(game.menuCursor + delta);
    // The bounds apply on every call, so a cursor left outside the range is pulled in silently.
    if (game.menuCursor < lo)
        game.menuCursor = lo;
    else if (game.menuCursor > hi)
        game.menuCursor = hi;
    else if (delta != 0)
        SndPlay(SoundCursor, 0);
}

void continueOnFire(uint8_t target) {
    if (pressed(ControlFire)) {
        setMode(target);
        SndPlay(SoundSelect, 0);
    }
}

void startGame(int8_t level) {
    game.score = 0;
    game.lives = 4;
    game.pendingLevel = level;
    setMode(StartLevel);
    SndPlay(SoundSelect, 0);
}

void mainMenuHandler() {
    moveCursor(1, 4);
    if (!pressed(ControlFire)) return;
    if (game.menuCursor != 4) SndPlay(SoundSelect, 0);
    switch (game.menuCursor) {
    case 1: setMode(LevelSelect); break;
    case 2: setMode(PracticeMenu); break;
    case 3: setMode(About); break;
    case 4: setMode(Quit); break;
    default: break;
    }
}

void pauseMenuHandler() {
    moveCursor(0, 3);
    if (!pressed(ControlFire)) return;
    if (game.menuCursor != 1) SndPlay(SoundSelect, 0);
    switch (game.menuCursor) {
    case 0: setMode(MainMenu); break;  // the game is abandoned: no score check, nothing saved
    case 1:
        // Give up this life: straight back to the play screen, no fade, and the death
        // sequence starts from its first step.
        leaveMode();
        game.mode = Play;
        enterMode();
        game.deathTimer = 1;
        break;
    case 2: setMode(Play); break;
    case 3: setMode(MapView); break;
    default: break;
    }
}

void levelCompleteHandler() {
    if (game.modeTicks <= 49) return;
    if (pressed(ControlFire) || (stylusTapX != -1 && stylusTapY != -1)) nextLevel();
}

void mapViewHandler() {
    // No bounds here: the map view screen keeps the view inside the map.
    if (held(ControlUp)) game.mapViewY -= 2;
    if (held(ControlDown)) game.mapViewY += 2;
    if (held(ControlLeft)) game.mapViewX -= 2;
    if (held(ControlRight)) game.mapViewX += 2;
    if (pressed(ControlFire)) {
        setMode(Play);
        SndPlay(SoundSelect, 0);
    }
}

void levelSelectHandler() {
    int m = progress.levelReached < game.levelLimit ? progress.levelReached : game.levelLimit;
    // One step beyond either end is allowed so that the step can wrap (and still sound).
    moveCursor(-1, int8_t(m + 1));
    if (game.menuCursor < 0)
        game.menuCursor = int8_t(m);
    else if (game.menuCursor > m)
        game.menuCursor = 0;
    if (pressed(ControlFire)) startGame(game.menuCursor);
}

void practiceMenuHandler() {
    moveCursor(0, 4);
    if (!pressed(ControlFire)) return;
    if (game.menuCursor == 4) {
        setMode(MainMenu);
        SndPlay(SoundSelect, 0);
    } else {
        startGame(int8_t(game.menuCursor - 4));  // practice levels -4..-1
    }
}

void splashHandler() {
    if (pressed(ControlFire)) setMode(MainMenu);
    if (game.modeTicks > 199) setMode(MainMenu);
}

void gameCompleteHandler() {
    if (game.modeTicks > 199 && pressed(ControlFire)) {
        game.level = 0;
        setMode(Credits);
    }
}

void creditsHandler() {
    if (game.modeTicks > 99 && pressed(ControlFire)) {
        game.level = 0;
        setMode(EndGame);
    }
}
