// The table of modes: one row per mode, read by the mode machine (game/state.cpp) and the
// frame (drawScreen, game/frame.cpp). A mode is added or changed here alone.
#include "game/state.h"

#include "gfx/graphics.h"
#include "screens/screens.h"
#include "world/world.h"

namespace {

// Play: the world stands still while the play screen fades in.
void playHandler() {
    if (game.fadeLevel > 255) worldTick();
}
void continueToPlay() { continueOnFire(Play); }
void continueToMainMenu() { continueOnFire(MainMenu); }

int32_t enterLevelComplete() { return loadBackdrop(ResLevelComplete1 + (game.level & 15)); }
int32_t enterLevelSelect() { return loadBackdrop(ResLevelSelect); }
int32_t enterSplash() { return loadBackdrop(ResSplash); }
int32_t enterDied() { return loadBackdrop(ResDied); }
int32_t enterGameOver() { return loadBackdrop(ResGameOver); }
int32_t enterPracticeIntro() { return loadBackdrop(ResourceId(ResPracticeIntro1 + 4 + game.level)); }  // level -4..-1
int32_t enterAbout() { return loadBackdrop(ResAbout); }

// The main menu's cursor outlives the menu, for its next visit.
void leaveMainMenu() {
    game.mainMenuCursor = game.menuCursor;
    freeMainMenu();
}

void initMainMenu() { game.menuCursor = game.mainMenuCursor; }
void initPauseMenu() { game.menuCursor = 2; }
void initLevelSelect() { game.menuCursor = game.level < 0 ? 0 : game.level; }
void initMapView() {
    game.mapViewX = game.playerX * 8 + 4;
    game.mapViewY = game.playerY * 8 + 4;
}

// Mode 3 has no screen, and neither has a request code left in mode (Quit keeps 66 until the
// loop ends): fire goes back to the main menu.
constexpr ModeRow NoMode = {continueToMainMenu, nullptr, nullptr, nullptr, nullptr};

}  // namespace

// Backdrop modes free nothing on the way out: the next loadBackdrop replaces the picture.
// Play and Credits load nothing: they draw without pictures of their own.
// clang-format off: a table is read by its columns
const ModeRow modeTable[ModeCount] = {
    //  handler               enter               leave             init             draw
    {mainMenuHandler, loadMainMenu, leaveMainMenu, initMainMenu, drawMainMenu},            // 0 MainMenu
    {pauseMenuHandler, loadPauseMenu, freePauseMenu, initPauseMenu, drawPauseMenu},        // 1 PauseMenu
    {levelCompleteHandler, enterLevelComplete, nullptr, nullptr, drawLevelComplete},       // 2 LevelComplete
    NoMode,                                                                                // 3
    {playHandler, nullptr, nullptr, nullptr, drawPlayView},                                // 4 Play
    {mapViewHandler, loadMapView, freeMapView, initMapView, drawMapView},                  // 5 MapView
    {levelSelectHandler, enterLevelSelect, nullptr, initLevelSelect, drawLevelSelect},     // 6 LevelSelect
    {practiceMenuHandler, loadPracticeMenu, freePracticeMenu, nullptr, drawPracticeMenu},  // 7 PracticeMenu
    {splashHandler, enterSplash, nullptr, nullptr, drawPictureScreen},                     // 8 Splash
    {continueToPlay, enterDied, nullptr, nullptr, drawDied},                               // 9 Died
    {continueToMainMenu, enterGameOver, nullptr, nullptr, drawGameOver},                   // 10 GameOver
    {continueToMainMenu, enterGameOver, nullptr, nullptr, drawGameOver},                   // 11 GameOverBest
    {continueToPlay, enterPracticeIntro, nullptr, nullptr, drawPictureScreen},             // 12 PracticeIntro
    {continueToMainMenu, enterAbout, nullptr, nullptr, drawPictureScreen},                 // 13 About
    {gameCompleteHandler, loadGameComplete, freeGameComplete, nullptr, drawGameComplete},  // 14 GameComplete
    {creditsHandler, nullptr, nullptr, nullptr, drawCredits},                              // 15 Credits
};
// clang-format on

const ModeRow& modeRow(uint8_t m) { return m < ModeCount ? modeTable[m] : NoMode; }
