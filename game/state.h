// The game's global records: every subsystem reads and writes these directly.
#pragma once
#include <cstdint>

class QPEApplication;
class tavrinWindow;

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

struct AppHandles {
    QPEApplication* application;
    tavrinWindow* window;
};

// One monster; all fields are unsigned bytes.
struct MonsterSlot {
    uint8_t x, y, toX, toY, sprite, dir, step, life, anim;
};

#pragma pack(push, 1)
// The saved part of the state, laid out exactly as the progress file holds it.
struct ProgressRecord {
    uint16_t recordMagic;
    uint16_t recordTag;
    uint8_t levelReached;
    int32_t bestScore;
};
#pragma pack(pop)
static_assert(sizeof(ProgressRecord) == 9, "progress record is 9 bytes");

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
extern ProgressRecord progress;
extern AppHandles appHandles;

extern uint8_t quitRequested;
extern int64_t nextTickTime;
extern int32_t stylusTapX, stylusTapY;
extern int32_t stylusLastX, stylusLastY;
extern int32_t stylusDown;

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

// Mode machine.
// Requests a change to mode m (a Mode or a request code): sets nextMode and clears modeReady;
// the last request before the screen is black wins.
void setMode(uint8_t m);
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
