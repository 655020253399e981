// The game's global records, at the bottom of the game: the running game, the controls, the
// stylus and the clock. Every folder above reads and writes them directly; the progress
// record lives with the progress file (store/progress.h).
#pragma once
#include <cstdint>

class QPEApplication;
class QMainWindow;

// Modes (screens) and the request codes that setMode also accepts.
enum Mode : uint8_t {
    MainMenu = 0,
    PauseMenu = 1,
    LevelComplete = 2,
    Play = 4,
    MapView = 5,
    LevelSelect = 6,
    PracticeMenu = 7,
    Splash = 8,
    Died = 9,
    GameOver = 10,
    GameOverBest = 11,
    PracticeIntro = 12,
    About = 13,
    GameComplete = 14,
    Credits = 15,
    LoseLife = 64,
    StartLevel = 65,
    Quit = 66,
    EndGame = 67,
};

enum ControlIndex { ControlUp = 0, ControlDown = 1, ControlLeft = 2, ControlRight = 3, ControlFire = 4 };
enum ControlBits : uint8_t { FlagHeld = 1, FlagPressed = 2, FlagStylus = 4 };

// The application object and the main window (app/'s tavrinWindow, known down here only as
// the toolkit's window, so that the display can paint it without knowing the app).
struct AppHandles {
    QPEApplication* application;
    QMainWindow* window;
};

// One monster; all fields are unsigned bytes.
struct MonsterSlot {
    uint8_t x, y, toX, toY, sprite, dir, step, life, anim;
};

struct GameState {
    uint8_t mode;
    int32_t fadeLevel;
    uint8_t modeReady;
    uint8_t nextMode;
    int8_t level;
    int8_t pendingLevel;
    uint8_t lastLevel;
    uint8_t levelLimit;
    int8_t menuCursor;
    int8_t mainMenuCursor;
    uint32_t levelColour;
    uint8_t worldPhase;
    MonsterSlot monsters[4];
    uint8_t targetsLeft;
    int32_t deathTimer;
    uint8_t lives;
    int32_t score;
    int32_t diamondsLeft;
    int32_t playerX, playerY;
    int32_t targetX, targetY;
    uint8_t moveDir;
    uint8_t moveStep;
    uint8_t animStep;
    uint8_t playerSprite;
    int32_t idleTimer;
    int32_t mapViewX, mapViewY;
    int32_t levelTicks;
    int32_t modeTicks;
};

extern GameState game;
extern uint8_t ControlFlags[5];
extern AppHandles appHandles;

extern uint8_t quitRequested;
extern int64_t nextTickTime;
extern int32_t stylusTapX, stylusTapY;
extern int32_t stylusLastX, stylusLastY;
extern int32_t stylusDown;

// The random draws the monsters make. The game's own generator, so that every back end and
// every C library draws the same sequence: it is the additive feedback generator of glibc's
// default rand() (a 31-word table, taps 3 apart, each result the sum's top 31 bits), and it
// starts as that rand() does when never seeded. Saving and restoring this record rewinds the
// draws with the world (undo, the solver, tests).
struct RandomState {
    int32_t table[31];
    uint8_t front, rear;  // where the next sum is made and where its second term is read
};

extern RandomState randomState;

// Starts the sequence again as srand(seed) does (0 seeds as 1; 1 is the unseeded start).
void seedRandom(uint32_t seed);
// The next draw, 0 .. 2^31 - 1, as rand() would give it.
int32_t nextRandom();

// Requests a change to mode m (a Mode or a request code): sets nextMode and clears modeReady;
// the last request before the screen is black wins. The mode machine (game/state.h) makes
// the change at the bottom of the fade.
void setMode(uint8_t m);

// The wall clock in milliseconds since 2001-09-09 (0, logged, when it cannot be read).
int64_t nowMs();
