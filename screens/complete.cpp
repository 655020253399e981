// The game-completed sequence: a tall background scrolls up while the first picture descends,
// two more pictures follow, and a banner announces the completion. Driven by modeTicks alone.
#include "game/state.h"
#include "gfx/graphics.h"
#include "screens/screens.h"

Image GameCompleteBack, GameCompletePic1, GameCompletePic2, GameCompletePic3;

namespace {
constexpr int32_t Pic1Width = 150, Pic1Height = 155;
}  // namespace

int32_t loadGameComplete() {
    decodeJpeg(&GameCompleteBack, ResGameCompleteBack);
    if (GameCompleteBack.pixels == nullptr) return 1;
    // The raw picture's size is fixed here, so its lookup asks for none.
    const uint8_t* raw = findResource(ResGameCompletePic1, nullptr);
    if (raw == nullptr) return 1;
    // A replacement file shorter than the fixed size would be read past its end.
    if (findEmbeddedFile("gcTav1.565").size < static_cast<uint32_t>(Pic1Width * Pic1Height * 2)) return 1;
    GameCompletePic1 = Image{const_cast<uint8_t*>(raw), 0, Pic1Width, Pic1Height, 2, Pic1Width * 2};
    decodeJpeg(&GameCompletePic2, ResGameCompletePic2);
    decodeJpeg(&GameCompletePic3, ResGameCompletePic3);
    return GameCompletePic3.pixels == nullptr ? 1 : 0;
}

void freeGameComplete() {
    freeImage(&GameCompletePic3);
    freeImage(&GameCompletePic2);
    freeImage(&GameCompleteBack);
    GameCompletePic1 = Image{};  // embedded bytes: never freed
}

namespace {

// The background, except inside the rectangle that an opaque picture drawn next will cover
// entirely: the same frame, without copying most of the screen twice.
void blitBackAround(int32_t y, int32_t coverX, int32_t coverY, const Image& cover) {
    const int32_t sw = BackBuffer.width, sh = BackBuffer.height;
    int32_t x0 = coverX, y0 = coverY, x1 = coverX + cover.width, y1 = coverY + cover.height;
    if (cover.pixels == nullptr || cover.width <= 0 || cover.height <= 0 || x0 >= sw || y0 >= sh || x1 <= 0 ||
        y1 <= 0) {
        blitOpaque(&BackBuffer, 0, y, &GameCompleteBack);
        return;
    }
    if (x0 < 0) x0 = 0;
    if (y0 < 0) y0 = 0;
    if (x1 > sw) x1 = sw;
    if (y1 > sh) y1 = sh;
    // Bands above, below, left of and right of the covered rectangle.
    const int32_t bands[4][4] = {
        {0, 0, sw, y0}, {0, y1, sw, sh - y1}, {0, y0, x0, y1 - y0}, {x1, y0, sw - x1, y1 - y0}};
    for (const auto& b : bands) {
        if (b[2] <= 0 || b[3] <= 0) continue;
        Image band = BackBuffer;
        cropImage(&band, b[0], b[1], b[2], b[3]);
        blitOpaque(&band, -b[0], y - b[1], &GameCompleteBack);
    }
}

}  // namespace

void drawGameComplete() {
    int32_t t = game.modeTicks;
    int32_t s = t < 220 ? 0 : t > 460 ? 480 : (t - 220) * 2;
    if (BackBuffer.width >= 0 && BackBuffer.height >= 0 && t >= 460) {
        blitBackAround(-s, t <= 519 ? 77 : 22, t <= 519 ? 233 : 28, t <= 519 ? GameCompletePic2 : GameCompletePic3);
    } else {
        blitOpaque(&BackBuffer, 0, -s, &GameCompleteBack);
    }
    if (t <= 459) blitKeyed(&BackBuffer, 78, s - 290, &GameCompletePic1, SkipBlack);
    if (t >= 460 && t <= 519) blitOpaque(&BackBuffer, 77, 233, &GameCompletePic2);
    if (t >= 520) blitOpaque(&BackBuffer, 22, 28, &GameCompletePic3);
    if (t >= 800) {
        int32_t u = t > 920 ? 240 : (t - 800) * 2;
        darkenRect(&BackBuffer, 120 - (u >> 1), 50, u, 40, 2);
        if (u >= 240) drawText(&BackBuffer, nullptr, 120, 60, "TAVRIN has been COMPLETED!", ColourYellow, AlignCentre);
    }
    touchAnywhere();
}
