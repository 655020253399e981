// Paints the current mode's screen into the BackBuffer once per frame.
#include <cstdio>

#include "game/state.h"
#include "gfx/graphics.h"
#include "screens/screens.h"

namespace {

using ScreenFunction = void (*)();

// Indexed by Mode; modes without a screen of their own (3, and anything out of range) draw
// nothing, leaving the last frame in place.
constexpr ScreenFunction Screens[16] = {
    drawMainMenu,       // 0 MainMenu
    drawPauseMenu,      // 1 PauseMenu
    drawLevelComplete,  // 2 LevelComplete
    nullptr,            // 3
    drawPlayView,       // 4 Play
    drawMapView,        // 5 MapView
    drawLevelSelect,    // 6 LevelSelect
    drawPracticeMenu,   // 7 PracticeMenu
    drawPictureScreen,  // 8 Splash
    drawDied,           // 9 Died
    drawGameOver,       // 10 GameOver
    drawGameOver,       // 11 GameOverBest
    drawPictureScreen,  // 12 PracticeIntro
    drawPictureScreen,  // 13 About
    drawGameComplete,   // 14 GameComplete
    drawCredits,        // 15 Credits
};

}  // namespace

void drawScreen() {
    char text[64] = {};
    if (game.mode < 16 && Screens[game.mode] != nullptr) Screens[game.mode]();
    if (game.mode == About) {
        std::snprintf(text, sizeof text, "ver. %x.%.3x", VersionNumber >> 12, VersionNumber & 0xFFF);
        drawText(&BackBuffer, nullptr, 236, 296, text, ColourGreen, AlignRight);
    }
    applyFade();
    // A tap is offered to the touch zones of exactly one frame.
    stylusTapX = -1;
    stylusTapY = -1;
}
