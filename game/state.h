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

// Mode machine.
void setMode(uint8_t m);
void gameTick();
void fadeStep();
void switchMode();
void enterMode();
void leaveMode();
void initModeState();
void resolveRequest();
int32_t startWorld();
void stopWorld();

// Mode input handlers.
void moveCursor(int8_t lo, int8_t hi);
void continueOnFire(uint8_t target);
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
