// The screens between levels: level complete, life lost and game over. Each is a picture in
// the Backdrop with a few values drawn over it.
#include <cstdio>

#include "gfx/graphics.h"
#include "screens/fastpaths.h"
#include "screens/screens.h"
#include "state/state.h"
#include "world/world.h"

void drawLevelComplete() {
    // The picture stays untouched for a second, then a dark band opens for the results.
    // (Widened so that a screen left open for months cannot overflow.)
    int64_t wide = (static_cast<int64_t>(game.modeTicks) - 100) * 8;
    int32_t w = wide < 0 ? 0 : wide > 175 ? 176 : static_cast<int32_t>(wide);
    copyBackdropDarkened(120 - (w >> 1), 15, w, 90, 2);
    if (w < 176) return;

    char text[32];
    snprintf(text, sizeof text, "%.10s", levelName);
    drawText(&BackBuffer, nullptr, 120, 20, text, ColourWhite, AlignCentre);
    drawText(&BackBuffer, nullptr, 120, 40, "LEVEL COMPLETE", ColourWhite, AlignCentre);
    drawText(&BackBuffer, nullptr, 135, 60, "score:", ColourGrey, AlignRight);
    snprintf(text, sizeof text, "%d", game.score);
    drawText(&BackBuffer, nullptr, 139, 60, text, ColourYellow, AlignLeft);
    drawText(&BackBuffer, nullptr, 135, 80, "time taken:", ColourGrey, AlignRight);
    snprintf(text, sizeof text, "%d.%ds", game.levelTicks / 100, (game.levelTicks / 10) % 10);
    drawText(&BackBuffer, nullptr, 139, 80, text, ColourYellow, AlignLeft);
    // No touch zone: the handler reads the tap itself once the screen may be left.
}

void drawDied() {
    copyBackdrop();
    drawStatusBlock();
    touchAnywhere();
}

void drawGameOver() {
    copyBackdrop();
    char text[16];
    snprintf(text, sizeof text, "%d", game.score);
    drawText(&BackBuffer, nullptr, 103, 227, text, ColourYellow, AlignLeft);
    if (game.mode == GameOverBest) drawText(&BackBuffer, nullptr, 40, 247, "New Hi-score!", ColourWhite, AlignLeft);
    touchAnywhere();
}
