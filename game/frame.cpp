// A frame: the current mode's row of the mode table paints the BackBuffer, the fade goes over
// it, and the display shows it.
#include <cstdio>

#include "game/state.h"
#include "gfx/graphics.h"
#include "screens/screens.h"
#include "state/state.h"

void drawScreen() {
    char text[64] = {};
    // What the mode draws is its row of the mode table (game/modes.cpp); mode 3 and the
    // request codes draw nothing, leaving the last frame in place.
    drawUnderFade(modeRow(game.mode).draw);
    if (game.mode == About) {
        std::snprintf(text, sizeof text, "ver. %x.%.3x", VersionNumber >> 12, VersionNumber & 0xFFF);
        drawText(&BackBuffer, nullptr, 236, 296, text, ColourGreen, AlignRight);
    }
    applyFade();
    // A tap is offered to the touch zones of exactly one frame.
    stylusTapX = -1;
    stylusTapY = -1;
}

int32_t refreshScreen() {
    drawScreen();
    presentFrame();
    return 0;
}
