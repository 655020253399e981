// The map view: the whole level at a quarter of the play scale (8x8 pixels a square), framed by
// a ring of border tiles, with the level's name sliding in at the top and the bar at the bottom.
#include <cstdio>
#include <cstring>

#include "gfx/graphics.h"
#include "screens/fastpaths.h"
#include "screens/screens.h"
#include "state/state.h"
#include "world/world.h"

Image MapBar;

int32_t loadMapView() {
    decodeJpeg(&MapBar, ResMapBar);
    return MapBar.pixels == nullptr ? 1 : 0;
}

void freeMapView() { freeImage(&MapBar); }

void drawMapTile(int32_t x, int32_t y, uint32_t tile) {
    // A sheet that was never built leaves a null record, which draws nothing.
    Image src{MapTileSheet, (tile & 63) * 128, 8, 8, 2, 16};
    blitOpaque(&BackBuffer, x, y, &src);
}

void drawMapSquaresDirect(int32_t ox, int32_t oy, int32_t r0, int32_t r1, int32_t c0, int32_t c1) {
    for (int32_t r = r0; r <= r1; ++r) {
        int32_t y = oy + 8 * r;
        for (int32_t c = c0; c <= c1; ++c) {
            int32_t x = ox + 8 * c;
            if (x >= -7 && x <= 239 && y >= -7 && y <= 319) drawMapTile(x, y, getCell(c, r));
        }
    }
}

void drawMapView() {
    // Keep the view centre inside the map, one square beyond each edge at most; a map narrower
    // or shorter than the screen is centred. Written back so that holding a key at an edge does
    // not build up.
    int32_t mw = mapWidth * 8, mh = mapHeight * 8;
    if (mw > 239) {
        if (game.mapViewX > mw - 112) game.mapViewX = mw - 112;
        if (game.mapViewX < 112) game.mapViewX = 112;
    } else {
        game.mapViewX = mw >> 1;
    }
    if (mh > 319) {
        if (game.mapViewY > mh - 152) game.mapViewY = mh - 152;
        if (game.mapViewY < 152) game.mapViewY = 152;
    } else {
        game.mapViewY = mh >> 1;
    }

    int32_t ox = 120 - game.mapViewX, oy = 160 - game.mapViewY;
    // Rows -1 and mapHeight (columns -1 and mapWidth) are the border ring that getCell gives
    // for squares outside the map. Of those, visit only the squares whose tile touches the
    // screen (x in -7..239, y in -7..319), so a large map costs no more than a small one.
    auto firstIndex = [](int32_t lo, int32_t off) { return -((off - lo) >> 3); };  // ceil((lo - off) / 8)
    auto lastIndex = [](int32_t hi, int32_t off) { return (hi - off) >> 3; };      // floor((hi - off) / 8)
    int32_t r0 = -1, r1 = mapHeight, c0 = -1, c1 = mapWidth;
    if (firstIndex(-7, oy) > r0) r0 = firstIndex(-7, oy);
    if (lastIndex(319, oy) < r1) r1 = lastIndex(319, oy);
    if (firstIndex(-7, ox) > c0) c0 = firstIndex(-7, ox);
    if (lastIndex(239, ox) < c1) c1 = lastIndex(239, ox);
    // The black screen and the squares in one pass where the layout allows it.
    if (drawMapSquares(ox, oy, r0, r1, c0, c1) != 0) {
        if (BackBuffer.pixels != nullptr) std::memset(BackBuffer.pixels, 0, 153600);
        drawMapSquaresDirect(ox, oy, r0, r1, c0, c1);
    }

    char title[16];
    snprintf(title, sizeof title, "%.10s", levelName);
    int32_t ty = (game.modeTicks >> 1) - 20;
    if (ty > 0) ty = 0;
    drawText(&BackBuffer, nullptr, 120, ty, title, ColourWhite, AlignCentre);

    // The bar rises into place; the map shows through its dark pixels, and a tap on it is fire.
    int32_t by = 310 - (game.modeTicks >> 1);
    if (by < 290) by = 290;
    blitKeyed(&BackBuffer, 4, by, &MapBar, BlendOr);
    touchZone(0, 4, by, MapBar.width, MapBar.height);
}
