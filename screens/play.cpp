// The play view: a 240x240 window on the map that follows the player, the monsters over it,
// the control panel below and the level's name banner for the first seconds.
#include <cstdio>

#include "gfx/graphics.h"
#include "screens/fastpaths.h"
#include "screens/screens.h"
#include "state/state.h"
#include "world/world.h"

int32_t cameraX, cameraY;
uint8_t panelShown;

void updateCamera() {
    int32_t cx = game.playerX * 16;
    int32_t cy = game.playerY * 16;
    stepToward(game.moveDir, game.moveStep, cx, cy);  // sixteenths of the move in progress
    // The centre of the player's square lands on screen point (120, 120).
    cameraX = (cx + 8) * 2 - 120;
    cameraY = (cy + 8) * 2 - 120;
}

void drawMonsters() {
    for (const MonsterSlot& m : game.monsters) {
        if (m.life <= 31) continue;  // not hatched yet, or gone
        int32_t mx = m.x * 16;
        int32_t my = m.y * 16;
        stepToward(m.dir, m.step, mx, my);
        drawTile(mx * 2 - cameraX, my * 2 - cameraY, m.sprite, 1);
    }
}

void drawLevelBanner() {
    // The band opens over 40 ticks, carries the name, and closes from tick 336.
    int64_t wide = static_cast<int64_t>(game.levelTicks) * 4;
    if (wide > 749) wide = 1500 - wide;
    if (wide < 0) return;
    int32_t w = wide > 160 ? 160 : static_cast<int32_t>(wide);
    darkenRect(&BackBuffer, 120 - (w >> 1), 10, w, 40, 1);
    if (w > 159) {
        char name[16];
        snprintf(name, sizeof name, "%.10s", levelName);
        drawText(&BackBuffer, nullptr, 120, 20, name, ColourWhite, AlignCentre);
    }
}

void drawPlayView() {
    updateCamera();

    // The map window: 8 or 9 rows and columns of tiles cover rows 0..239; squares outside the
    // map (negative ones too, by the unsigned tests) show the border tile.
    beginTileBatch();
    // The window's tiles do not overlap, so any order draws the same pixels: go along memory
    // lines (down a column first on the turned display), so that two neighbours' shared
    // cache lines are written while still at hand.
    const bool columnsFirst = BackBuffer.stepX > 4 || BackBuffer.stepX < -4;
    const int32_t firstX = -(cameraX & 31), firstY = -(cameraY & 31);
    const int32_t across = (240 - firstX + 31) >> 5, down = (240 - firstY + 31) >> 5;
    for (int32_t i = 0; i < across * down; ++i) {
        const int32_t c = columnsFirst ? i / down : i % across, r = columnsFirst ? i % down : i / across;
        const int32_t sx = firstX + 32 * c, sy = firstY + 32 * r;
        const int32_t row = (cameraY >> 5) + r, col = (cameraX >> 5) + c;
        uint8_t tile = borderTile;
        if (static_cast<uint32_t>(row) < static_cast<uint32_t>(mapHeight) &&
            static_cast<uint32_t>(col) < static_cast<uint32_t>(mapWidth) && map != nullptr)
            tile = map[col + row * mapWidth];
        if (tile == TilePlayer) tile = TileEmpty;  // the player is drawn on its own
        // A tile that the fade will black entirely is not drawn; what is drawn over it
        // (the player, monsters, banner) lands on pixels blacked anyway.
        if (fadeHides(sx, sy, 32, 32) == 0) drawTile(sx, sy, tile, 0);
    }

    drawTile(104, 104, game.playerSprite, 0);
    drawMonsters();
    endTileBatch();

    // The panel cannot change during play: draw it through every fade frame (which blackens parts
    // of it) and once more after the fade, then leave it alone.
    if (game.fadeLevel < 256) panelShown = 0;
    if (!panelShown) {
        // Columns at the left that the fade will black (on the turned display) are left out.
        int32_t left = 0;
        while (left < Panel.width && fadeHides(left, 240, 8, Panel.height) != 0) left += 8;
        if (left < Panel.width) {
            Image part = Panel;
            cropImage(&part, left, 0, Panel.width - left, Panel.height);
            blitOpaque(&BackBuffer, left, 240, &part);
        }
        if (game.fadeLevel > 255) panelShown = 1;
    }

    touchZone(0, 174, 241, 66, 16);  // the panel's button opens the pause menu
    drawLevelBanner();
}
