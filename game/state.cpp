// The mode machine that moves between screens through a fade: a change is only requested
// (setMode, state/state.cpp) and happens here at the bottom of the fade.
#include "game/state.h"

#include <cstring>

#include "gfx/graphics.h"
#include "screens/screens.h"
#include "store/progress.h"
#include "world/world.h"

void fadeStep() {
    if (game.modeReady == 1) {
        game.fadeLevel += 8;
    } else {
        if (game.fadeLevel <= 0) {
            switchMode();
            game.fadeLevel = 0;
            game.modeReady = 1;
        }
        game.fadeLevel -= 8;
    }
    if (game.fadeLevel <= 0)
        game.fadeLevel = 0;
    else if (game.fadeLevel > 255)
        game.fadeLevel = 256;
}

void gameTick() {
    game.levelLimit = game.lastLevel;
    fadeStep();
    if (game.modeReady == 1) modeRow(game.mode).handler();
    for (uint8_t& c : ControlFlags) c &= uint8_t(~FlagPressed);
    game.modeTicks += 1;
}

void switchMode() {
    leaveMode();
    // At the bottom of the fade this is the black frame between the two screens.
    refreshScreen();
    game.mode = game.nextMode;
    resolveRequest();
    enterMode();
    initModeState();
}

void enterMode() {
    if (auto enter = modeRow(game.mode).enter) enter();
}

void leaveMode() {
    if (auto leave = modeRow(game.mode).leave) leave();
}

void initModeState() {
    game.modeTicks = 0;
    game.menuCursor = 0;
    if (auto init = modeRow(game.mode).init) init();
}

void resolveRequest() {
    if (game.mode <= 63) return;
    // The tests follow each other on purpose: a LoseLife that leaves no life becomes EndGame
    // and is resolved in the same call, so no Died picture is shown.
    if (game.mode == LoseLife) {
        removePlayer();
        game.lives -= 1;
        if (game.lives != 0) {
            placePlayer();
            game.mode = Died;
        } else {
            game.mode = EndGame;
        }
    }
    if (game.mode == StartLevel) {
        game.level = game.pendingLevel;
        loadCurrentLevel();
        game.mode = game.level < 0 ? PracticeIntro : Play;
    }
    if (game.mode == Quit) quitRequested = 1;
    if (game.mode == EndGame) {
        if (game.score > progress.bestScore) {
            progress.bestScore = game.score;
            saveProgress();
            game.mode = GameOverBest;
        } else {
            game.mode = GameOver;
        }
    }
}

int32_t startWorld() {
    std::memset(&progress, 0, sizeof progress);
    std::memset(&game, 0, sizeof game);
    completeCipherKey();
    openLevelData();  // a failure leaves no levels; it is not reported here
    game.mainMenuCursor = 1;
    setMode(Splash);
    return 0;
}

void stopWorld() {
    leaveMode();
    closeLevelData();
    std::memset(&game, 0, sizeof game);
    std::memset(&progress, 0, sizeof progress);
}
