// Paints the current mode's screen into the BackBuffer once per frame.
#include <cstdio>

#include "game/state.h"
#include "gfx/graphics.h"
#include "screens/screens.h"

namespace {

// During a fade, applyFade blacks the first and last n bytes of the BackBuffer. The lines at
// the right-hand or bottom edge lie at one end of that memory in every layout, so while the
// screen is drawn the picture is made narrower (or shorter) by the lines that will be black
// anyway: nothing else in the frame changes, and no time goes into pixels about to vanish.
Image narrowedForFade() {
    const Image whole = BackBuffer;
    if (game.fadeLevel >= 256) return whole;
    int64_t n = 76800 - ((static_cast<int64_t>(game.fadeLevel) * 76800) >> 8);
    if (n <= 0) return whole;
    if (n > 76800) n = 76800;
    // Only the display's own layouts, whose 153600 bytes hold the picture and nothing else.
    if (!isScreenLayout(&BackBuffer)) return whole;
    if (BackBuffer.stepX == 2) {
        BackBuffer.height = 320 - static_cast<int32_t>(n / 480);
    } else {
        BackBuffer.width = 240 - static_cast<int32_t>(n / 640);
    }
    return whole;
}

}  // namespace

void drawScreen() {
    char text[64] = {};
    const Image whole = narrowedForFade();
    setFadeFollows(1);
    // What the mode draws is its row of the mode table (game/modes.cpp); mode 3 and the
    // request codes draw nothing, leaving the last frame in place.
    if (auto draw = modeRow(game.mode).draw) draw();
    setFadeFollows(0);
    BackBuffer = whole;
    if (game.mode == About) {
        std::snprintf(text, sizeof text, "ver. %x.%.3x", VersionNumber >> 12, VersionNumber & 0xFFF);
        drawText(&BackBuffer, nullptr, 236, 296, text, ColourGreen, AlignRight);
    }
    applyFade();
    // A tap is offered to the touch zones of exactly one frame.
    stylusTapX = -1;
    stylusTapY = -1;
}
